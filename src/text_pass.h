// One pass over a record's text, many bytes at a time, that tells how a
// listing shows it; text_pass.cpp.
#ifndef ECRITURE_TEXT_PASS_H
#define ECRITURE_TEXT_PASS_H

#include "escape.h"
#include "record.h"

#include <cstddef>

// What the pass tells of a record's text: its length before its NUL (80
// when it has none), whether the format (TSV, CSV or JSON) changes any of
// its bytes, whether it quotes it, and whether the text is not valid UTF-8
// where the format reads it so.
struct TextLook {
    unsigned char size;
    bool changed;
    bool quoted;
    bool invalid;
};

// The bytes of a text that its format changes, as the pass found them: 0xff
// each, 0 the others, up to the text's length and a little after it, to be
// read eight at a time. Besides the bytes the format changes, some that the
// escaper alone can tell: bytes that begin a rare character, whose next
// byte has a narrower range, or a character that the format may change.
using TextMarks = unsigned char[kTamponSize + 16];

// Measures count texts from first, stride bytes apart: the size of each
// look, the text's length before its NUL, or 80 when it has none.
void MeasureTexts(const char* first, std::size_t stride, std::size_t count, TextLook* looks);

// Passes over count texts from first, stride bytes apart, whose lengths are
// at looks: the rest of each look, and its marks.
void PassOverTexts(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks);

// The same pass with the vector unit that every machine of its kind has,
// which PassOverTexts takes where the machine has no wider one.
void PassOverTextsPlain(TextPolicy policy, const char* first, std::size_t stride, std::size_t count,
    TextLook* looks, TextMarks* marks);

#endif
