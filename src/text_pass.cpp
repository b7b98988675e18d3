// The pass over record texts, and their lengths: a wider vector unit's
// where the machine has one, else the one every machine of its kind has.
#include "text_pass.h"

#include "text_pass_lanes.h"
#include "text_pass_wide.h"

#include <cstring>

void MeasureTexts(const char* first, std::size_t stride, std::size_t count, TextLook* looks)
{
    if (MeasureTextsWide(first, stride, count, looks))
        return;
    for (std::size_t r = 0; r < count; ++r)
        looks[r].size = static_cast<unsigned char>(strnlen(first + r * stride, kTamponSize));
}

void PassOverTexts(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks)
{
    if (!PassOverTextsWide(policy, first, stride, count, looks, marks))
        PassOverTextsPlain(policy, first, stride, count, looks, marks);
}

void PassOverTextsPlain(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks)
{
    text_lanes::PassOverPolicy(policy, first, stride, count, looks, marks);
}
