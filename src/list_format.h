// How each format of the listing writes a record file: its header, what
// comes before the records of one file among several, and one line per
// record. What differs between the formats is decided here, in one table.
#ifndef ECRITURE_LIST_FORMAT_H
#define ECRITURE_LIST_FORMAT_H

#include "escape.h"
#include "listing.h"
#include "record.h"

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

// True when each record names its file in a column of its own.
bool HasFileColumn(ListFormat format);

// The room that any record's line takes, but its file column.
constexpr std::size_t kLineRoom = 64 + 3 * kNumberSize + EscapedRoom(kTamponSize) + 16;

// The room that a record's line takes, with a file column of n bytes.
constexpr std::size_t LineRoom(std::size_t n)
{
    return kLineRoom + 16 + EscapedRoom(n);
}

// Writes the record's line at to, which has LineRoom(strlen(column))
// bytes, with its file column unless column is null, its text as
// hexadecimal digits when hex, and the line end given (two bytes
// readable); returns the byte after it, and terminated false when the text
// has no NUL.
char* FormatRecordLine(char* to, ListFormat format, const char* column, const DecimalCount& index,
    const char* bytes, bool hex, const char* lineEnd, std::size_t lineEndSize, bool& terminated);

// Writes the record's line on out, its file column first: for a column
// too long for a line's room.
bool PutRecordLine(
    std::FILE* out, ListFormat format, const char* column, long long index, const char* bytes, bool hex);

#endif
