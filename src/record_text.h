// A record's text as a listing shows it, the texts that need no change
// (nearly every one) copied whole; record_text.cpp.
#ifndef ECRITURE_RECORD_TEXT_H
#define ECRITURE_RECORD_TEXT_H

#include "escape.h"
#include "record.h"
#include "text_pass.h"

#include <cstddef>
#include <cstring>

// The room that a record's text takes as a listing shows it, and room for
// copies of fixed size after it.
constexpr std::size_t kRecordTextRoom = EscapedRoom(kTamponSize) + 16;

// Writes a record's text of n bytes before its NUL, or all 80 (which are
// all readable), at to as the format's policy (TSV, CSV or JSON) shows it,
// in kRecordTextRoom bytes; returns how many it wrote. The same bytes as
// EscapeText, a text that needs no change (nearly every one) copied whole.
std::size_t EscapeRecordText(TextPolicy policy, const char* text, std::size_t n, char* to);

// Looks at the texts of the count records whose file bytes start at
// records, as the policy (TSV, CSV or JSON) shows them: what the pass tells
// of each, at looks, and the bytes that a text changed has changed, at
// marks.
void LookAtTexts(
    TextPolicy policy, const char* records, std::size_t count, TextLook* looks, TextMarks* marks);

// Writes a text that its look found changed, with its marks, at to, as
// EscapeRecordText does.
std::size_t PutMarkedText(
    TextPolicy policy, const char* text, const TextLook& look, const TextMarks& marks, char* to);

// Writes the text, all 80 bytes readable, as EscapeRecordText does, after
// a look at it, at to, which has kRecordTextRoom bytes: a text that needs no
// change is copied whole at once, as all 80 bytes, the ones after it
// written over by what follows.
inline std::size_t PutLookedText(
    TextPolicy policy, const char* text, const TextLook& look, const TextMarks& marks, char* to)
{
    if (look.changed)
        return PutMarkedText(policy, text, look, marks, to);
    // Always for JSON, never for TSV: known where the policy is.
    bool quoted = policy == TextPolicy::Json || (policy == TextPolicy::Csv && look.quoted);
    char* p = to;
    *p = '"';
    p += quoted ? 1 : 0;
    std::memcpy(p, text, kTamponSize);
    p += look.size;
    *p = '"';
    p += quoted ? 1 : 0;
    return static_cast<std::size_t>(p - to);
}

// Writes a record's text of n bytes at to as hexadecimal digits, two
// lowercase a byte, quoted where the policy quotes a text (a JSON string,
// an empty CSV field); returns how many it wrote, at most 2n + 2.
std::size_t HexRecordText(TextPolicy policy, const char* text, std::size_t n, char* to);

// True when the text of each of the n records whose file bytes start at
// records holds its NUL: a check's pass over a block, with no branch.
bool AllTextsEnd(const char* records, std::size_t n);

#endif
