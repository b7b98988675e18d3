// The pass over record texts with AVX, on the x86-64 machines that have it
// (nearly all since 2011): the same sixteen lanes, whose instructions each
// take three operands, so that no value is copied before the next test
// overwrites it; a quarter fewer instructions than SSE2's for a text. And
// the texts' lengths, in SSE2.
#include "text_pass_wide.h"

#include "text_pass_lanes.h"

#include <emmintrin.h>

#include <cstdint>

namespace {

// The NULs of the sixteen bytes at text, as the low bits of a mask.
std::uint64_t NulsAt(const char* text)
{
    __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(group, _mm_setzero_si128())));
}

// The length of a text before its NUL, 80 when it has none: sixteen bytes
// a compare, in SSE2, which every x86-64 has.
std::size_t TextLength(const char* text)
{
    std::uint64_t first =
        NulsAt(text) | NulsAt(text + 16) << 16 | NulsAt(text + 32) << 32 | NulsAt(text + 48) << 48;
    if (first != 0)
        return static_cast<std::size_t>(__builtin_ctzll(first));
    // A bit past the 80th byte: no NUL is a length of 80.
    return 64 + static_cast<std::size_t>(__builtin_ctzll(NulsAt(text + 64) | 1u << 16));
}

// The whole pass is made for AVX, all that it calls made part of it. No
// other code of the program is made for AVX, so that none runs on a
// processor without it.
[[gnu::target("avx"), gnu::flatten]] void PassOverWithAvx(TextPolicy policy, const char* first,
    std::size_t stride, std::size_t count, TextLook* looks, TextMarks* marks)
{
    text_lanes::PassOverPolicy(policy, first, stride, count, looks, marks);
}

} // namespace

bool MeasureTextsWide(const char* first, std::size_t stride, std::size_t count, TextLook* looks)
{
    static_assert(kTamponSize == 80, "four groups of sixteen and a fifth");
    for (std::size_t r = 0; r < count; ++r)
        looks[r].size = static_cast<unsigned char>(TextLength(first + r * stride));
    return true;
}

bool PassOverTextsWide(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks)
{
    // The processor and the system both: the system must save the wider
    // registers when it switches between programs.
    if (!__builtin_cpu_supports("avx"))
        return false;
    PassOverWithAvx(policy, first, stride, count, looks, marks);
    return true;
}
