#include "utf8.h"

std::size_t MeasureUtf8(const unsigned char* s, std::size_t n)
{
    unsigned char c = s[0];
    std::size_t len = LeadLength(c);
    if (len == 0 || len > n)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
        if (!IsContinuation(s[i]))
            return 0;
    // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
    if ((c == 0xe0 && s[1] < 0xa0) || (c == 0xed && s[1] > 0x9f) || (c == 0xf0 && s[1] < 0x90) ||
        (c == 0xf4 && s[1] > 0x8f))
        return 0;
    return len;
}

bool IsValidUtf8(const char* text, std::size_t n)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0, len = 0; i < n; i += len)
        if ((len = s[i] < 0x80 ? 1 : MeasureUtf8(s + i, n - i)) == 0)
            return false;
    return true;
}

std::size_t FitUtf8(const char* text, std::size_t n, std::size_t limit)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < limit) {
        std::size_t len = MeasureUtf8(s + i, n - i);
        std::size_t claimed = LeadLength(s[i]);
        // The bytes end inside a character whose start is right so far.
        bool cutShort = len == 0 && claimed > n - i;
        for (std::size_t k = 1; cutShort && k < n - i; ++k)
            cutShort = IsContinuation(s[i + k]);
        if (len == 0 && !cutShort)
            return limit;
        len = len == 0 ? claimed : len;
        if (i + len > limit)
            return i;
        i += len;
    }
    return limit;
}
