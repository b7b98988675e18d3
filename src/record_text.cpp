// A record's text as a listing shows it: copied whole when no byte needs a
// change, which one pass over its 80 bytes tells, else escaped.
#include "record_text.h"

#include "record.h"

#include <cstring>

namespace {

// 0xff for true, 0 for false: a lane of the pass below.
constexpr unsigned char Lane(bool b)
{
    return static_cast<unsigned char>(-static_cast<int>(b));
}

// Whether the format changes the byte, ASCII, of a text it would copy.
template <TextPolicy P>
unsigned char ChangesAscii(signed char c)
{
    if constexpr (P == TextPolicy::Csv)
        return Lane(c == '"') | Lane(c == ',') | Lane(c == '\r') | Lane(c == '\n');
    return Lane(c < 0x20) | Lane(c == 0x7f) | Lane(c == '\\') | Lane(P == TextPolicy::Json && c == '"');
}

// 0xff when the format changes the byte c, which follows the byte before,
// of a text that it would copy, or that byte has no byte that it needs
// after it: a UTF-8 lead (0xc3 to 0xdf) and its continuation (0x80 to
// 0xbf), each only with the other. Of the text, or at its NUL (upToNul).
template <TextPolicy P>
unsigned char ChangedLane(signed char before, signed char c, unsigned char in, unsigned char upToNul)
{
    if constexpr (P == TextPolicy::Csv)
        return in & ChangesAscii<P>(c);
    unsigned char lead = Lane(c >= -0x3d) & Lane(c < -0x20);
    unsigned char afterLead = Lane(before >= -0x3d) & Lane(before < -0x20);
    unsigned char continuation = Lane(c < -0x40);
    unsigned char ascii = Lane(c >= 0) & ChangesAscii<P>(c);
    unsigned char other = ascii | (Lane(c < 0) & ~lead & ~continuation);
    return static_cast<unsigned char>((in & other) | (upToNul & (continuation ^ afterLead)));
}

// True when the format shows the record's text, its n bytes of the 80,
// as they are: bytes it does not change, and (but in CSV, which copies
// every byte) accented letters of two bytes, U+00C0 to U+07FF, alone. One
// pass over the 80 bytes with no branch, which the compiler makes a few
// vector instructions; any other text goes through the escaper.
template <TextPolicy P>
bool IsTextAsIs(const char* text, std::size_t n)
{
    // Signed bytes as lanes, the index and the length too, which the
    // machines compare at once: a byte of 0x80 and up is below 0.
    signed char s[kTamponSize + 1];
    s[0] = 0;
    std::memcpy(s + 1, text, kTamponSize);
    unsigned char changed = 0;
    auto end = static_cast<signed char>(n);
    // Sixteen lanes at a time, up to those of the NUL.
    constexpr signed char kLanes = 16;
    static_assert(kTamponSize % kLanes == 0, "whole groups of lanes");
    for (signed char at = 0; at <= end && at < static_cast<signed char>(kTamponSize); at += kLanes) {
        const signed char* b = s + at;
        signed char left = static_cast<signed char>(end - at);
        for (signed char k = 0; k < kLanes; ++k)
            changed |= ChangedLane<P>(b[k], b[k + 1], Lane(k < left), Lane(k <= left));
    }
    return changed == 0;
}

bool IsRecordTextAsIs(TextPolicy policy, const char* text, std::size_t n)
{
    if (n >= kTamponSize)
        return false;
    if (policy == TextPolicy::Tsv)
        return IsTextAsIs<TextPolicy::Tsv>(text, n);
    if (policy == TextPolicy::Csv)
        return IsTextAsIs<TextPolicy::Csv>(text, n);
    return policy == TextPolicy::Json && IsTextAsIs<TextPolicy::Json>(text, n);
}

} // namespace

std::size_t EscapeRecordText(TextPolicy policy, const char* text, std::size_t n, char* to)
{
    if (!IsRecordTextAsIs(policy, text, n)) {
        std::size_t used = 0;
        return EscapeText(policy, text, n, to, EscapedRoom(kTamponSize), used);
    }
    bool quoted = policy == TextPolicy::Json || (policy == TextPolicy::Csv && n == 0);
    char* p = to;
    if (quoted)
        *p++ = '"';
    std::memcpy(p, text, n);
    p += n;
    if (quoted)
        *p++ = '"';
    return static_cast<std::size_t>(p - to);
}

bool AllTextsEnd(const char* records, std::size_t n)
{
    unsigned char unended = 0;
    for (std::size_t r = 0; r < n; ++r) {
        const char* text = records + r * kRecordSize + offsetof(Record, tampon);
        unsigned char none = 0xff;
        for (std::size_t k = 0; k < kTamponSize; ++k)
            none &= Lane(text[k] != 0);
        unended |= none;
    }
    return unended == 0;
}

std::size_t HexRecordText(TextPolicy policy, const char* text, std::size_t n, char* to)
{
    static const char kHex[] = "0123456789abcdef";
    bool quoted = policy == TextPolicy::Json || (policy == TextPolicy::Csv && n == 0);
    char* p = to;
    if (quoted)
        *p++ = '"';
    for (std::size_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        *p++ = kHex[c >> 4];
        *p++ = kHex[c & 15];
    }
    if (quoted)
        *p++ = '"';
    return static_cast<std::size_t>(p - to);
}
