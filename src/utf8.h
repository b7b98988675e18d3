// UTF-8 as the programs need it: where a character ends, whether a text is
// valid, and where a long text is cut without cutting a character.
#ifndef ECRITURE_UTF8_H
#define ECRITURE_UTF8_H

#include <cstddef>

inline bool IsContinuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// The length a sequence with this first byte claims; 0 for a byte that
// cannot begin one (a continuation, an overlong lead, past U+10FFFF).
inline std::size_t LeadLength(unsigned char c)
{
    return c < 0x80 ? 1 : c < 0xc2 ? 0 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : c < 0xf5 ? 4 : 0;
}

// Length of the valid UTF-8 sequence at s (at most n bytes), or 0 when the
// byte at s does not start one: overlong forms and surrogates are invalid.
std::size_t MeasureUtf8(const unsigned char* s, std::size_t n);

// True when the n bytes of text are valid UTF-8 throughout.
bool IsValidUtf8(const char* text, std::size_t n);

// Where a text of n bytes, more than limit, is cut to keep at most limit:
// after the last whole character when it is valid UTF-8 up to there (a
// character that the n bytes end inside counts as whole), else at limit.
std::size_t FitUtf8(const char* text, std::size_t n, std::size_t limit);

#endif
