// The pass over record texts, and their lengths, made for a vector unit
// wider than the one every machine of its kind has, where this build knows
// one: text_pass_wide_avx.cpp on x86-64, text_pass_wide_none.cpp elsewhere.
#ifndef ECRITURE_TEXT_PASS_WIDE_H
#define ECRITURE_TEXT_PASS_WIDE_H

#include "escape.h"
#include "text_pass.h"

#include <cstddef>

// Measures the texts as MeasureTexts does, many bytes at a time, and returns
// true; returns false, and leaves them, when this build has no such way.
bool MeasureTextsWide(const char* first, std::size_t stride, std::size_t count, TextLook* looks);

// Passes over the texts as PassOverTexts does, with the wider unit, and
// returns true; returns false, and leaves them, when the machine has none.
bool PassOverTextsWide(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks);

#endif
