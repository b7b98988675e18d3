// How the programs show a text that came from outside (a record's text, a
// file name, a word of the command line, the system's reason): one walk over
// its bytes, under the policy of the place it goes to.
#ifndef ECRITURE_ESCAPE_H
#define ECRITURE_ESCAPE_H

#include "utf8.h"

#include <cstddef>
#include <cstdio>

enum class TextPolicy {
    // A message on standard error, or a name as the system spells it:
    // valid UTF-8 as it is, a backslash too; control characters (C0, DEL,
    // C1) and invalid bytes as \xHH, so that no name can break the line or
    // steer the terminal.
    Message,
    // A field of the tab-separated listing, decodable back to its bytes: as
    // a message (a tab is a control character), and a backslash as \\.
    Tsv,
    // A CSV field (RFC 4180): quoted when it holds a comma, a double quote,
    // a CR or a line end, or nothing at all, its double quotes doubled; no
    // other byte changed.
    Csv,
    // A JSON string with its quotes: valid UTF-8 as it is but control
    // characters and U+2028 and U+2029, which are escaped; an invalid byte
    // 0xHH as \udcHH.
    Json,
    // A workbook's text cell: valid UTF-8 as it is, controls included (the
    // workbook's writer escapes them as the format does), an invalid byte as
    // U+FFFD; what the format would read as its own escape _xHHHH_, and
    // U+FFFE and U+FFFF, which XML cannot carry, escaped that way.
    Cell,
};

// The room that any policy's form of n bytes fits in.
constexpr std::size_t EscapedRoom(std::size_t n)
{
    return 6 * n + 2;
}

// Writes text[0, n) at to as the policy shows it, at most room bytes, and
// returns how many it wrote; used tells how many bytes of the text they
// show. A message or a TSV field stops before an escape or a character that
// would not fit; a CSV field or a JSON string needs EscapedRoom(n).
std::size_t EscapeText(
    TextPolicy policy, const char* text, std::size_t n, char* to, std::size_t room, std::size_t& used);

// Writes at to the form that the policy gives the character, or the
// invalid byte, that starts the n bytes of text, and returns how many bytes
// it wrote, at most 16; used tells how many bytes of the text they show. A
// CSV field's quotes are the caller's to write.
std::size_t EscapeCharacter(TextPolicy policy, const char* text, std::size_t n, char* to, std::size_t& used);

// Writes the whole text on out as the policy shows it.
void PutEscapedText(std::FILE* out, TextPolicy policy, const char* text, std::size_t n);

#endif
