// A record's text as a listing shows it: copied whole when the pass finds
// no byte to change, else the runs between those bytes copied whole and
// those bytes shown as the escaper shows them.
#include "record_text.h"

#include "escape_rules.h"
#include "record.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

using escape_rules::kPolicies;

// 0xff for true, 0 for false.
constexpr unsigned char Lane(bool b)
{
    return static_cast<unsigned char>(-static_cast<int>(b));
}

constexpr std::size_t kWord = sizeof(std::uint64_t);

// The eight marks from at as a word, the first in its lowest byte on any
// machine: one load on a little-endian one.
std::uint64_t MarksAt(const TextMarks& marks, std::size_t at)
{
    const unsigned char* m = marks + at;
    return std::uint64_t{m[0]} | std::uint64_t{m[1]} << 8 | std::uint64_t{m[2]} << 16 |
        std::uint64_t{m[3]} << 24 | std::uint64_t{m[4]} << 32 | std::uint64_t{m[5]} << 40 |
        std::uint64_t{m[6]} << 48 | std::uint64_t{m[7]} << 56;
}

// The first byte from i that is marked, or n: eight marks at a time, the
// first marked of eight told by one multiplication. Marks are 0 or 0xff: the
// lowest bit set alone is 1 << 8k for the k-th, which times the multiplier
// has k in its top byte.
std::size_t NextMarked(const TextMarks& marks, std::size_t i, std::size_t n)
{
    for (; i < n; i += kWord) {
        std::uint64_t word = MarksAt(marks, i);
        if (word != 0)
            return i + static_cast<std::size_t>(((word & (~word + 1)) * 0x0001020304050607) >> 56);
    }
    return n;
}

// Copies the n bytes at from to to, sixteen at a time: both have fifteen
// bytes of room more.
void CopyRun(char* to, const char* from, std::size_t n)
{
    for (std::size_t k = 0; k < n; k += 16)
        std::memcpy(to + k, from + k, 16);
}

// Writes the text of n bytes, less than 80 and with sixteen bytes of room
// after them, at p: the runs between its marked bytes copied whole, a byte
// below 0x80 marked in the form the escaper's table gives it, a character
// or byte of 0x80 and up marked as the escaper shows it, with the
// continuation bytes after it that it did not take: they are invalid, and
// the pass does not see them as such. Returns the byte after it.
char* PutChanged(TextPolicy policy, const char* text, std::size_t n, const TextMarks& marks, char* p)
{
    const escape_rules::AsciiForm* ascii = kPolicies[static_cast<int>(policy)].ascii;
    for (std::size_t i = 0, next = 0; i < n; i = next) {
        next = std::min(NextMarked(marks, i, n), n);
        CopyRun(p, text + i, next - i);
        p += next - i;
        auto c = static_cast<unsigned char>(text[next]);
        if (next < n && c < 0x80) {
            std::memcpy(p, ascii[c].bytes, sizeof ascii[c].bytes);
            p += ascii[c].size;
            ++next;
            continue;
        }
        for (std::size_t used = 0;
             next < n && (used == 0 || IsContinuation(static_cast<unsigned char>(text[next]))); next += used)
            p += EscapeCharacter(policy, text + next, n - next, p, used);
    }
    return p;
}

} // namespace

std::size_t EscapeRecordText(TextPolicy policy, const char* text, std::size_t n, char* to)
{
    TextLook look{static_cast<unsigned char>(n), false, false, false};
    TextMarks marks;
    PassOverTexts(policy, text, 0, 1, &look, &marks);
    return PutLookedText(policy, text, look, marks, to);
}

void LookAtTexts(TextPolicy policy, const char* records, std::size_t count, TextLook* looks, TextMarks* marks)
{
    const char* first = records + offsetof(Record, tampon);
    // The lengths first: a call between two texts would cost the pass its
    // constants in the machine's registers.
    MeasureTexts(first, kRecordSize, count, looks);
    PassOverTexts(policy, first, kRecordSize, count, looks, marks);
}

std::size_t PutMarkedText(
    TextPolicy policy, const char* text, const TextLook& look, const TextMarks& marks, char* to)
{
    std::size_t n = look.size;
    if (n == kTamponSize) {
        std::size_t used = 0;
        return EscapeText(policy, text, n, to, EscapedRoom(kTamponSize), used);
    }
    // The text with room after it, for the copies of sixteen bytes.
    char padded[kTamponSize + 16];
    std::memcpy(padded, text, kTamponSize);
    // In a text that is not valid UTF-8, the escaper takes every byte of 0x80
    // and up on its own: it alone tells the characters from the invalid bytes.
    TextMarks changed;
    if (look.invalid) {
        std::memcpy(changed, marks, sizeof changed);
        for (std::size_t k = 0; k < n; ++k)
            changed[k] |= Lane(static_cast<unsigned char>(text[k]) >= 0x80);
    }
    char* p = to;
    *p = '"';
    p += look.quoted ? 1 : 0;
    p = PutChanged(policy, padded, n, look.invalid ? changed : marks, p);
    *p = '"';
    p += look.quoted ? 1 : 0;
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
    using escape_rules::kHexDigits;
    bool quoted = policy == TextPolicy::Json || (policy == TextPolicy::Csv && n == 0);
    char* p = to;
    if (quoted)
        *p++ = '"';
    for (std::size_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        *p++ = kHexDigits[c >> 4];
        *p++ = kHexDigits[c & 15];
    }
    if (quoted)
        *p++ = '"';
    return static_cast<std::size_t>(p - to);
}
