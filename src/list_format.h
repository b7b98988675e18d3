// How each format of the listing writes a record file: its header, what
// comes before the records of one file among several, and one line per
// record. What differs between the formats is decided here, in one table.
#ifndef ECRITURE_LIST_FORMAT_H
#define ECRITURE_LIST_FORMAT_H

#include "escape.h"
#include "listing.h"
#include "record.h"
#include "record_text.h"

#include <cstdio>

// What checking one file found.
struct FileCheck {
    long long records;
    long long unterminated;
    long long trailing;
    // It could not be read to its end, or at all.
    bool failed;
};

// Writes the line that says what checking the named file found.
void PutCheckLine(std::FILE* out, const char* name, const FileCheck& found);

// Writes the header line of the format, if it has one.
void PutHeader(std::FILE* out, const ListOptions& options);

// Writes what comes before the records of a file among several: its banner
// in TSV, nothing in CSV and JSON, whose records carry the file in a column.
void PutFileStart(std::FILE* out, ListFormat format, const char* name);

// How the format shows a record's text.
TextPolicy TextOf(ListFormat format);

// True when the format lists each record as a line: TSV, CSV or JSON.
bool HasLines(ListFormat format);

// True when each record names its file in a column of its own.
bool HasFileColumn(ListFormat format);

// The room that any record's line takes, but its file column.
constexpr std::size_t kLineRoom = 64 + 3 * kNumberSize + kRecordTextRoom + 16;

// The room that a record's line takes, with a file column of n bytes.
constexpr std::size_t LineRoom(std::size_t n)
{
    return kLineRoom + 16 + EscapedRoom(n);
}

// How a listing's lines are made: the format (TSV, CSV or JSON), each text
// as hexadecimal digits when hex, and how a line ends (two bytes readable).
struct LineForm {
    ListFormat format;
    bool hex;
    const char* end;
    std::size_t endSize;
};

// A record's text with what a look at it found.
struct LookedText {
    const TextLook& look;
    const TextMarks* marks;
};

// Writes the record's line at to, which has LineRoom(strlen(column))
// bytes, with its file column unless column is null; returns the byte
// after it.
char* FormatRecordLine(char* to, const LineForm& form, const char* column, const DecimalCount& index,
    const char* bytes, const LookedText& text);

// Writes at to, up to limit, the lines of count records from records, the
// first of them shown as index, which counts them; their texts as looks
// and marks tell. Stops before a text without its NUL, which the listing says.
// Returns how many it wrote, to moved past them.
std::size_t FormatRecordLines(char*& to, const char* limit, const LineForm& form, DecimalCount& index,
    const char* records, const TextLook* looks, const TextMarks* marks, std::size_t count);

// Writes the record's line on out, its file column first: for a column
// too long for a line's room.
bool PutRecordLine(
    std::FILE* out, ListFormat format, const char* column, long long index, const char* bytes, bool hex);

#endif
