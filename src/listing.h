// Listing a record file: one line per record, tab-separated or CSV.
#ifndef ECRITURE_LISTING_H
#define ECRITURE_LISTING_H

#include <cstddef>
#include <cstdio>

// What a file's listing came to; the run's status is the worst of them.
constexpr int kListClean = 0;
constexpr int kListWarned = 1;
constexpr int kListFailed = 2;

// Length of the valid UTF-8 sequence at s (at most n bytes), or 0 when the
// byte at s does not start one: overlong forms and surrogates are invalid.
std::size_t MeasureUtf8(const unsigned char* s, std::size_t n);

// Prints the text on one line: valid UTF-8 as is; control bytes, a tab and
// invalid bytes as \xHH; a backslash as \\.
void PutTextTsv(std::FILE* out, const char* text, std::size_t n);

// Prints the text as a CSV field, quoted when it holds a comma, a double
// quote, a CR or a line end; invalid UTF-8 bytes as \xHH.
void PutTextCsv(std::FILE* out, const char* text, std::size_t n);

// Reads a byte offset: decimal digits only, from 0 up. False otherwise.
bool ParseOffset(const char* s, long long& offset);

// Lists the records of the file ("-": standard input) after its first offset
// bytes, with warnings and errors on err. Returns a kList status.
int ListFile(const char* name, long long offset, bool csv, std::FILE* out, std::FILE* err);

#endif
