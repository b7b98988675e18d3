// A record's text as a listing shows it, the texts that need no change
// (nearly every one) copied whole; record_text.cpp.
#ifndef ECRITURE_RECORD_TEXT_H
#define ECRITURE_RECORD_TEXT_H

#include "escape.h"

#include <cstddef>

// Writes a record's text of n bytes before its NUL, or all 80 (which are
// all readable), at to as
// the format's policy (TSV, CSV or JSON) shows it, in EscapedRoom(80)
// bytes; returns how many it wrote. The same bytes as EscapeText, a text
// that needs no change (nearly every one) copied whole.
std::size_t EscapeRecordText(TextPolicy policy, const char* text, std::size_t n, char* to);

// Writes a record's text of n bytes at to as hexadecimal digits, two
// lowercase a byte, quoted where the policy quotes a text (a JSON string,
// an empty CSV field); returns how many it wrote, at most 2n + 2.
std::size_t HexRecordText(TextPolicy policy, const char* text, std::size_t n, char* to);

// True when the text of each of the n records whose file bytes start at
// records holds its NUL: a check's pass over a block, with no branch.
bool AllTextsEnd(const char* records, std::size_t n);

#endif
