// The pass over record texts: a wider vector unit's where the machine has
// one, else the one every machine of its kind has.
#include "text_pass.h"

#include "text_pass_lanes.h"
#include "text_pass_wide.h"

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
