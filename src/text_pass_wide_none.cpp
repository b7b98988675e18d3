// No wider vector unit than the one every machine of its kind has, as this
// build knows: the pass over record texts is PassOverTextsPlain, and their
// lengths strnlen's.
#include "text_pass_wide.h"

bool MeasureTextsWide(
    const char* /*first*/, std::size_t /*stride*/, std::size_t /*count*/, TextLook* /*looks*/)
{
    return false;
}

bool PassOverTextsWide(TextPolicy /*policy*/, const char* /*first*/, std::size_t /*stride*/,
    std::size_t /*count*/, TextLook* /*looks*/, TextMarks* /*marks*/)
{
    return false;
}
