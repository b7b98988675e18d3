// What each policy of the escaper does with each byte of a text, as tables
// made at compile time; escape.cpp walks a text under them.
#ifndef ECRITURE_ESCAPE_RULES_H
#define ECRITURE_ESCAPE_RULES_H

#include "escape.h"

#include <cstddef>

namespace escape_rules {

// What a policy does with a byte.
enum Action : unsigned char {
    kPlain,
    // 0x80 and up: a character when it starts valid UTF-8, else an invalid byte.
    kLead,
    kHex,
    kDouble,
    // As it is, in a CSV field that must then be quoted.
    kQuoting,
    kQuotingDouble,
    // JSON's two-byte escapes, \n or \" say.
    kShort,
    kUnicode,
    // In a workbook's cell: an underscore, escaped when it would start the
    // format's own escape.
    kUnderscore,
};

// How a policy shows an invalid byte, a C1 control, a line or paragraph
// separator, or U+FFFE and U+FFFF.
enum Form : unsigned char { kAsIs, kHexBytes, kCodePoint, kSurrogate, kReplacement, kCellEscape };

// The form that a policy's action gives a byte below 0x80, as the escaper
// writes it, and how many bytes it has: the table the escaper and the
// listing's walk both copy from. (A workbook's underscore, which depends on
// the bytes after it, is the escaper's alone.)
struct AsciiForm {
    char bytes[8];
    std::size_t size;
};

constexpr char kHexDigits[] = "0123456789abcdef";

constexpr AsciiForm FormOf(Action action, int b)
{
    auto c = static_cast<char>(b);
    const char* names = "bfnrt\"\\";
    const char* meant = "\b\f\n\r\t\"\\";
    char name = c;
    for (int k = 0; meant[k] != '\0'; ++k)
        name = meant[k] == c ? names[k] : name;
    char high = kHexDigits[b >> 4];
    char low = kHexDigits[b & 15];
    switch (action) {
    case kDouble:
    case kQuotingDouble:
        return AsciiForm{{c, c}, 2};
    case kShort:
        return AsciiForm{{'\\', name}, 2};
    case kHex:
        return AsciiForm{{'\\', 'x', high, low}, 4};
    case kUnicode:
        return AsciiForm{{'\\', 'u', '0', '0', high, low}, 6};
    default:
        return AsciiForm{{c}, 1};
    }
}

struct Policy {
    Action action[256];
    // The form of each byte below 0x80, from its action.
    AsciiForm ascii[0x80];
    Form invalid;
    Form c1;
    // U+2028 and U+2029, which some readers of JSON Lines take for line ends.
    Form separator;
    // U+FFFE and U+FFFF, which XML cannot carry.
    Form noncharacter;
};

// A CSV field carries the text's own bytes: its reader has no unescape.
constexpr Action CsvAction(int b)
{
    return b == '"' ? kQuotingDouble : b == ',' || b == '\r' || b == '\n' ? kQuoting : kPlain;
}

// The workbook's writer escapes the controls as the format does.
constexpr Action CellAction(int b)
{
    return b >= 0x80 ? kLead : b == '_' ? kUnderscore : kPlain;
}

constexpr Action ActionOf(TextPolicy which, int b)
{
    bool json = which == TextPolicy::Json;
    bool shortened = b == '\b' || b == '\f' || b == '\n' || b == '\r' || b == '\t';
    if (which == TextPolicy::Csv)
        return CsvAction(b);
    if (which == TextPolicy::Cell)
        return CellAction(b);
    if (b >= 0x80)
        return kLead;
    if (b == '\\' && which != TextPolicy::Message)
        return json ? kShort : kDouble;
    if (b == '"' && json)
        return kShort;
    if (b < 0x20 || b == 0x7f)
        return !json ? kHex : shortened ? kShort : kUnicode;
    return kPlain;
}

constexpr Policy MakePolicy(TextPolicy which)
{
    Policy p{};
    for (int b = 0; b < 256; ++b)
        p.action[b] = ActionOf(which, b);
    for (int b = 0; b < 0x80; ++b)
        p.ascii[b] = FormOf(p.action[b], b);
    p.invalid = which == TextPolicy::Json ? kSurrogate : which == TextPolicy::Cell ? kReplacement : kHexBytes;
    bool asIs = which == TextPolicy::Csv || which == TextPolicy::Cell;
    p.c1 = which == TextPolicy::Json ? kCodePoint : asIs ? kAsIs : kHexBytes;
    p.separator = which == TextPolicy::Json ? kCodePoint : kAsIs;
    p.noncharacter = which == TextPolicy::Cell ? kCellEscape : kAsIs;
    return p;
}

constexpr Policy kPolicies[] = {MakePolicy(TextPolicy::Message), MakePolicy(TextPolicy::Tsv),
    MakePolicy(TextPolicy::Csv), MakePolicy(TextPolicy::Json), MakePolicy(TextPolicy::Cell)};

} // namespace escape_rules

#endif
