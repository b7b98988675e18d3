// No wider vector unit than the one every machine of its kind has, as this
// build knows: the pass over record texts is PassOverTextsPlain.
#include "text_pass_wide.h"

bool PassOverTextsWide(TextPolicy /*policy*/, const char* /*first*/, std::size_t /*stride*/,
    std::size_t /*count*/, TextLook* /*looks*/, TextMarks* /*marks*/)
{
    return false;
}
