#include "escape.h"

#include "console.h"
#include "escape_rules.h"

#include <cstring>

namespace {

using namespace escape_rules;

// Where the shown text goes: field is where it starts, the place of the
// opening quote that a CSV field may need after all.
struct Output {
    char* field;
    char* at;
    const char* end;
    bool quoted;
};

bool IsHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// True when the n bytes at s begin with _xHHHH_, which a workbook's reader
// takes for the character U+HHHH.
bool StartsCellEscape(const unsigned char* s, std::size_t n)
{
    return n >= 7 && s[1] == 'x' && IsHexDigit(s[2]) && IsHexDigit(s[3]) && IsHexDigit(s[4]) &&
        IsHexDigit(s[5]) && s[6] == '_';
}

// Copies what fits of a run of bytes shown as they are, never half a
// character; false when not all of it fit, with the part that fit in fit.
bool PutRun(Output& out, const unsigned char* s, std::size_t n, std::size_t& fit)
{
    fit = n;
    if (n > static_cast<std::size_t>(out.end - out.at)) {
        // A character has at most three continuation bytes: more in a row
        // are no character, and may be cut anywhere.
        std::size_t room = static_cast<std::size_t>(out.end - out.at);
        fit = room;
        while (fit > 0 && room - fit < 3 && IsContinuation(s[fit]))
            --fit;
        fit = IsContinuation(s[fit]) ? room : fit;
    }
    std::memcpy(out.at, s, fit);
    out.at += fit;
    return fit == n;
}

void PutHex(char*& p, const char* prefix, unsigned char c)
{
    std::size_t n = std::strlen(prefix);
    std::memcpy(p, prefix, n);
    p[n] = kHexDigits[c >> 4];
    p[n + 1] = kHexDigits[c & 15];
    p += n + 2;
}

template <std::size_t N>
char* AppendLiteral(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

// Opens the CSV field's quotes, before what it holds so far.
void QuoteField(Output& out)
{
    if (out.quoted)
        return;
    std::memmove(out.field + 1, out.field, static_cast<std::size_t>(out.at - out.field));
    *out.field = '"';
    ++out.at;
    out.quoted = true;
}

// Writes at p the form of the character or invalid byte at s (len bytes),
// 0x80 and up; returns the byte after.
char* PutLeadForm(char* p, Form form, const unsigned char* s, std::size_t len)
{
    if (form == kHexBytes)
        for (std::size_t k = 0; k < len; ++k)
            PutHex(p, "\\x", s[k]);
    if (form == kCodePoint && len == 2)
        PutHex(p, "\\u00", s[1]);
    if (form == kCodePoint && len == 3)
        PutHex(p, "\\u20", static_cast<unsigned char>(s[2] - 0x80));
    if (form == kSurrogate)
        PutHex(p, "\\udc", s[0]);
    if (form == kReplacement)
        p = AppendLiteral(p, "\xef\xbf\xbd");
    if (form == kCellEscape)
        p = AppendLiteral(p, s[2] == 0xbe ? "_xFFFE_" : "_xFFFF_");
    return p;
}

// Writes at p the form of the byte or character at s (len bytes) that the
// policy's action and form say; returns the byte after.
char* PutForm(
    char* p, const Policy& policy, Action action, Form form, const unsigned char* s, std::size_t len)
{
    if (action == kLead)
        return PutLeadForm(p, form, s, len);
    if (action == kUnderscore)
        return AppendLiteral(p, "_x005F_");
    // Any other action is a byte's below 0x80.
    const AsciiForm& ascii = policy.ascii[s[0] & 0x7f];
    std::memcpy(p, ascii.bytes, ascii.size);
    return p + ascii.size;
}

// Shows the byte or character at s (len bytes) as the action and form say;
// false when it does not fit.
bool PutEscape(
    Output& out, const Policy& policy, Action action, Form form, const unsigned char* s, std::size_t len)
{
    char shown[16];
    if (action == kQuoting || action == kQuotingDouble)
        QuoteField(out);
    auto n = static_cast<std::size_t>(PutForm(shown, policy, action, form, s, len) - shown);
    if (n > static_cast<std::size_t>(out.end - out.at))
        return false;
    std::memcpy(out.at, shown, n);
    out.at += n;
    return true;
}

// How the policy shows the character or invalid byte that starts at s, of
// 0x80 and up, and how many bytes it takes: kAsIs for a plain character.
Form ClassifyLead(const Policy& policy, const unsigned char* s, std::size_t n, std::size_t& len)
{
    len = MeasureUtf8(s, n);
    bool c1 = len == 2 && s[0] == 0xc2 && s[1] < 0xa0;
    bool separator = len == 3 && s[0] == 0xe2 && s[1] == 0x80 && (s[2] == 0xa8 || s[2] == 0xa9);
    bool noncharacter = len == 3 && s[0] == 0xef && s[1] == 0xbf && s[2] >= 0xbe;
    Form form = len == 0 ? policy.invalid
        : c1             ? policy.c1
        : separator      ? policy.separator
        : noncharacter   ? policy.noncharacter
                         : kAsIs;
    len = len == 0 ? 1 : len;
    return form;
}

// A character, or an invalid byte, of a text, and what the policy does with it.
struct Unit {
    Action action;
    Form form;
    std::size_t len;
    // Shown as it is.
    bool asIs;
};

// The unit that starts at s, of the n bytes left of the text.
Unit ClassifyUnit(const Policy& policy, const unsigned char* s, std::size_t n)
{
    Unit unit{policy.action[s[0]], kAsIs, 1, false};
    if (unit.action == kLead)
        unit.form = ClassifyLead(policy, s, n, unit.len);
    unit.asIs = unit.action == kPlain || (unit.action == kLead && unit.form == kAsIs) ||
        (unit.action == kUnderscore && !StartsCellEscape(s, n));
    return unit;
}

// The first byte from i on that the policy may change: plain bytes, and the
// two-byte characters past the C1 controls (the accented letters of French),
// go on at once.
std::size_t SkipPlain(const Action* actions, const unsigned char* s, std::size_t i, std::size_t n)
{
    for (;;) {
        while (i < n && actions[s[i]] == kPlain)
            ++i;
        if (i + 1 >= n || s[i] < 0xc3 || s[i] >= 0xe0 || !IsContinuation(s[i + 1]))
            return i;
        i += 2;
    }
}

// The one walk: runs of bytes shown as they are go out whole, valid UTF-8
// included; returns how many bytes of the text were shown.
std::size_t WalkText(const Policy& policy, const unsigned char* s, std::size_t n, Output& out)
{
    std::size_t plain = 0;
    std::size_t fit = 0;
    for (std::size_t i = SkipPlain(policy.action, s, 0, n); i < n; i = SkipPlain(policy.action, s, i, n)) {
        Unit unit = ClassifyUnit(policy, s + i, n - i);
        if (!unit.asIs && !PutRun(out, s + plain, i - plain, fit))
            return plain + fit;
        if (!unit.asIs && !PutEscape(out, policy, unit.action, unit.form, s + i, unit.len))
            return i;
        i += unit.len;
        plain = unit.asIs ? plain : i;
    }
    PutRun(out, s + plain, n - plain, fit);
    return plain + fit;
}

} // namespace

std::size_t EscapeText(
    TextPolicy policy, const char* text, std::size_t n, char* to, std::size_t room, std::size_t& used)
{
    // An empty CSV field is quoted too: a database reads an unquoted one as NULL.
    bool quoted = policy == TextPolicy::Json || (policy == TextPolicy::Csv && n == 0);
    Output out{to + (quoted ? 1 : 0), to, to + room, quoted};
    if (quoted)
        *out.at++ = '"';
    used =
        WalkText(kPolicies[static_cast<int>(policy)], reinterpret_cast<const unsigned char*>(text), n, out);
    if (out.quoted)
        *out.at++ = '"';
    return static_cast<std::size_t>(out.at - to);
}

std::size_t EscapeCharacter(TextPolicy policy, const char* text, std::size_t n, char* to, std::size_t& used)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const Policy& rules = kPolicies[static_cast<int>(policy)];
    Unit unit = ClassifyUnit(rules, s, n);
    used = unit.len;
    if (unit.asIs) {
        std::memcpy(to, s, unit.len);
        return unit.len;
    }
    return static_cast<std::size_t>(PutForm(to, rules, unit.action, unit.form, s, unit.len) - to);
}

void PutEscapedText(std::FILE* out, TextPolicy policy, const char* text, std::size_t n)
{
    // Twice a record's text in its widest form: one pass for any text of a
    // listing. A longer text, a name, goes in pieces, its quotes settled first.
    char shown[2 * EscapedRoom(80)];
    std::size_t used = 0;
    if (EscapedRoom(n) <= sizeof shown) {
        PutBytes(out, shown, EscapeText(policy, text, n, shown, sizeof shown, used));
        return;
    }
    const Policy& rules = kPolicies[static_cast<int>(policy)];
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    bool quoted = policy == TextPolicy::Json;
    for (std::size_t i = 0; policy == TextPolicy::Csv && i < n; ++i)
        quoted = quoted || rules.action[s[i]] == kQuoting || rules.action[s[i]] == kQuotingDouble;
    if (quoted)
        PutByte('"', out);
    while (n > 0) {
        Output piece{shown, shown, shown + sizeof shown, true};
        used = WalkText(rules, s, n, piece);
        PutBytes(out, shown, static_cast<std::size_t>(piece.at - shown));
        s += used;
        n -= used;
    }
    if (quoted)
        PutByte('"', out);
}
