// How each format of the listing writes a record file: its header, what
// comes before the records of one file among several, and one line per
// record. What differs between the formats is decided here, in one table.
#ifndef ECRITURE_LIST_FORMAT_H
#define ECRITURE_LIST_FORMAT_H

#include "listing.h"

#include <cstdio>

// What checking one file found.
struct FileCheck {
    long long records;
    long long unterminated;
    long long trailing;
    bool shorterThanOffset;
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

// Writes the record whose file bytes are at bytes as one line, with the
// file's name first when column is not null; false when its text has no
// NUL, and then shows all 80 bytes.
bool PutRecordLine(std::FILE* out, ListFormat format, const char* column, long long index, const char* bytes);

#endif
