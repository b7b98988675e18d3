// The pass over record texts with AVX, on the x86-64 machines that have it
// (nearly all since 2011): the same sixteen lanes, whose instructions each
// take three operands, so that no value is copied before the next test
// overwrites it. A quarter fewer instructions than SSE2's for a text.
#include "text_pass_wide.h"

#include "text_pass_lanes.h"

namespace {

// The whole pass is made for AVX, all that it calls made part of it (by
// GCC; Clang 14 leaves the calls below the first, which then run as made
// for any x86-64). No other code of the program is made for AVX, so that
// none runs on a processor without it.
[[gnu::target("avx"), gnu::flatten]] void PassOverWithAvx(TextPolicy policy, const char* first,
    std::size_t stride, std::size_t count, TextLook* looks, TextMarks* marks)
{
    text_lanes::PassOverPolicy(policy, first, stride, count, looks, marks);
}

} // namespace

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
