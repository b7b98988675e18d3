// One pass over a record's text, sixteen bytes at a time: the bytes that its
// format changes, whether it is valid UTF-8, whether a CSV field needs its
// quotes. Plain C++ with no branch in a group of bytes, which compilers make
// vector instructions of on any machine, and which reads the same on a
// big-endian one. A template that text_pass.cpp makes for any machine, and
// text_pass_wide_avx.cpp again for a wider vector unit.
#ifndef ECRITURE_TEXT_PASS_LANES_H
#define ECRITURE_TEXT_PASS_LANES_H

#include "escape_rules.h"
#include "text_pass.h"
#include "text_pass_rules.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace text_lanes {

// 0xff for true, 0 for false: a lane of the pass below.
constexpr unsigned char Lane(bool b)
{
    return static_cast<unsigned char>(-static_cast<int>(b));
}

// 0xff when c is one of the bytes that the format changes, or that put
// its field in quotes: the slots of the list that are empty are left out.
template <TextPolicy P, bool Quoting>
inline unsigned char IsListed(unsigned char c)
{
    constexpr const unsigned char(&List)[4] = Quoting ? kRules<P>.quoting : kRules<P>.changed;
    unsigned char lane = 0;
    if constexpr (List[0] != 0)
        lane |= Lane(c == List[0]);
    if constexpr (List[1] != 0)
        lane |= Lane(c == List[1]);
    if constexpr (List[2] != 0)
        lane |= Lane(c == List[2]);
    if constexpr (List[3] != 0)
        lane |= Lane(c == List[3]);
    return lane;
}

// The first bytes that the pass leaves to the escaper, rare in any text:
// those that start no character (0xc0, 0xc1, 0xf5 and up), those whose next
// byte has a narrower range (0xe0, 0xed, 0xf0, 0xf4), and, as two tests
// catch them all, 0xe1 and every other byte from 0xed on (0xec on, when the
// quotation mark goes with the controls).
constexpr unsigned char kRareFrom = 0xed;

// With its bit 1 flipped, the quotation mark is the space and the space is
// not: the controls and the quotation mark are the bytes up to 0x20.
constexpr unsigned char kQuoteFlip = '"' ^ ' ';

// The least of the bytes from first on, each with the bits flip flipped.
constexpr unsigned char LeastFlipped(unsigned char first, unsigned char flip)
{
    unsigned char least = 0xff;
    for (int b = first; b < 0x100; ++b)
        least = std::min(least, static_cast<unsigned char>(b ^ flip));
    return least;
}

// 0xff when the byte c is shown otherwise, or left to the escaper, of its
// own: a byte below 0x80 that the format changes, or a rare first byte.
template <TextPolicy P>
inline unsigned char IsChangedByte(unsigned char c)
{
    constexpr PassRules r = kRules<P>;
    unsigned char rare = Lane(r.utf8) & Lane((c & 0xde) == 0xc0);
    if constexpr (r.controls && r.utf8) {
        // The controls and the rare bytes in one test: moved to the top of
        // the signed bytes, their range ends at 0x7f.
        constexpr unsigned char kFlip = r.quoteWithControls ? kQuoteFlip : 0;
        constexpr unsigned char kLast = r.quoteWithControls ? ' ' : ' ' - 1;
        constexpr unsigned char kFirst = LeastFlipped(kRareFrom, kFlip);
        constexpr int kShift = 0x7f - kLast;
        auto moved = static_cast<signed char>((c ^ kFlip) + kShift);
        return IsListed<P, false>(c) | rare | Lane(moved >= static_cast<signed char>(kFirst + kShift));
    }
    return IsListed<P, false>(c) | rare | Lane(r.controls && c < ' ') | Lane(r.utf8 && c >= kRareFrom);
}

// The valid characters that the format changes, at their first byte c,
// with the two bytes after it: the C1 controls, and U+2028 and U+2029 with
// the few other characters E2 xx A8 and E2 xx A9, which the escaper leaves
// as they are, at less cost than a third test.
template <TextPolicy P>
inline unsigned char IsChangedCharacter(unsigned char c, unsigned char n1, unsigned char n2)
{
    constexpr PassRules r = kRules<P>;
    unsigned char c1 = Lane(r.c1) & Lane(c == 0xc2) & Lane(static_cast<signed char>(n1) < -0x60);
    unsigned char separator = Lane(r.separators) & Lane(c == 0xe2) & Lane((n2 | 1) == 0xa9);
    unsigned char noncharacter =
        Lane(r.noncharacters) & Lane(c == 0xef) & Lane(n1 == 0xbf) & Lane(n2 >= 0xbe);
    return c1 | separator | noncharacter;
}

// How far b is past bound: not 0 when b is above it.
inline unsigned char Above(unsigned char b, unsigned char bound)
{
    return static_cast<unsigned char>((b > bound ? b : bound) - bound);
}

// The top bit set where the byte c, after p2 and p1, is out of step with
// UTF-8: a continuation byte where none is due, or another byte where one
// is. Past 0x40 (0x60), a byte is past it by 0x80 or more just when it is a
// first byte that has the next byte (the next two) due. The third
// continuation byte of a four-byte character is never due: such a
// character, whose first byte is rare, puts its text out of step, and the
// escaper takes each character of it.
inline unsigned char OutOfStep(unsigned char p2, unsigned char p1, unsigned char c)
{
    unsigned char due = Above(p1, 0x40) | Above(p2, 0x60);
    return due ^ Lane(static_cast<signed char>(c) < -0x40);
}

// A text with two bytes of 0 before it, so that each lane can see the two
// bytes before its own, and after it a group of lanes that are none of the
// format's concern, up to where the pass reads.
inline constexpr std::size_t kSide = 2;
inline constexpr std::size_t kLanes = 16;
static_assert(kTamponSize % kLanes == 0, "whole groups of lanes");
using Padded = unsigned char[kSide + kTamponSize + kLanes];
constexpr unsigned char kFiller = 'a';

// What some lane found: a byte changed, a byte that puts the field in
// quotes, a byte out of step with UTF-8 (in the top bit).
struct AnyLane {
    unsigned char changed[kLanes];
    unsigned char quoting[kLanes];
    unsigned char outOfStep[kLanes];
};

// Sixteen lanes of the text: which bytes the format changes, at changed.
template <TextPolicy P>
inline void ClassifyLanes(const unsigned char* s, unsigned char* changed, AnyLane& any)
{
    constexpr PassRules r = kRules<P>;
    static_assert(
        kPolicies[static_cast<int>(P)].action[kFiller] == escape_rules::kPlain, "a filler unchanged");
    for (int k = 0; k < static_cast<int>(kLanes); ++k) {
        unsigned char c = s[k];
        unsigned char lane = IsChangedByte<P>(c);
        if constexpr (r.utf8) {
            lane |= IsChangedCharacter<P>(c, s[k + 1], s[k + 2]);
            any.outOfStep[k] |= OutOfStep(s[k - 2], s[k - 1], c);
        }
        changed[k] = lane;
        any.changed[k] |= lane;
        if constexpr (r.quoting[0] != 0)
            any.quoting[k] |= IsListed<P, true>(c);
    }
}

// True when some lane of the sixteen is not 0.
inline bool IsAny(const unsigned char (&lanes)[kLanes])
{
    std::uint64_t words[2];
    std::memcpy(words, lanes, sizeof words);
    return (words[0] | words[1]) != 0;
}

// True when some lane of the sixteen has its top bit set.
inline bool IsAnyTop(const unsigned char (&lanes)[kLanes])
{
    std::uint64_t words[2];
    std::memcpy(words, lanes, sizeof words);
    return ((words[0] | words[1]) & 0x8080808080808080) != 0;
}

// What the lanes found in a text of n bytes.
template <TextPolicy P>
inline TextLook SumUp(AnyLane& any, std::size_t n)
{
    // Changed and out of step in one test, as nearly every text is neither.
    for (std::size_t k = 0; k < kLanes; ++k)
        any.changed[k] |= any.outOfStep[k] & 0x80;
    bool changed = IsAny(any.changed);
    bool invalid = changed && IsAnyTop(any.outOfStep);
    // An empty CSV field is quoted too: a database reads an unquoted one as NULL.
    bool quoted = P == TextPolicy::Json || (P == TextPolicy::Csv && (n == 0 || IsAny(any.quoting)));
    return TextLook{static_cast<unsigned char>(n), changed, quoted, invalid};
}

// One pass over each of count texts, from first, stride bytes apart, whose
// lengths looks hold: what it tells of each, at looks, and which bytes the
// format changes, at marks. The texts one after the other in one loop with
// no call, as the pass's constants stay in the machine's registers from one
// to the next. Always part of its caller: Clang's flatten, which makes the
// wide pass all of a piece, takes only the calls one deep.
template <TextPolicy P>
[[gnu::always_inline]] inline void PassOver(
    // cppcheck-suppress constParameter ; the lanes write the marks
    const char* first, std::size_t stride, std::size_t count, TextLook* looks, TextMarks* marks)
{
    static_assert(sizeof(TextMarks) >= kTamponSize + kLanes, "a group of marks past the text");
    Padded bytes;
    std::memset(bytes, 0, kSide);
    for (std::size_t r = 0; r < count; ++r) {
        std::size_t n = looks[r].size;
        // A text without its NUL goes through the escaper whole.
        if (n == kTamponSize) {
            looks[r] = TextLook{kTamponSize, true, P == TextPolicy::Json, false};
            continue;
        }
        std::memcpy(bytes + kSide, first + r * stride, kTamponSize);
        // From the NUL on, as far as the lanes go: it ends a character cut
        // short as the NUL would.
        std::memset(bytes + kSide + n, kFiller, kLanes);
        AnyLane any{};
        std::size_t at = 0;
        for (; at <= n; at += kLanes)
            ClassifyLanes<P>(bytes + kSide + at, marks[r] + at, any);
        looks[r] = SumUp<P>(any, n);
        // The marks a walk over a changed text reads past it.
        if (looks[r].changed)
            std::memset(marks[r] + at, 0, kLanes);
    }
}

// The pass of the policy (TSV, CSV or JSON) over count texts, as
// PassOverTexts.
// cppcheck-suppress constParameter ; the pass writes the marks
inline void PassOverPolicy(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks)
{
    if (policy == TextPolicy::Tsv)
        PassOver<TextPolicy::Tsv>(first, stride, count, looks, marks);
    if (policy == TextPolicy::Csv)
        PassOver<TextPolicy::Csv>(first, stride, count, looks, marks);
    if (policy == TextPolicy::Json)
        PassOver<TextPolicy::Json>(first, stride, count, looks, marks);
}

} // namespace text_lanes

#endif
