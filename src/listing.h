// Listing a record file: one line per record, as tab-separated text, CSV or
// JSON Lines, once or following the file as it grows.
#ifndef ECRITURE_LISTING_H
#define ECRITURE_LISTING_H

#include <cstddef>
#include <cstdio>

// What a file's listing came to; the run's status is the worst of them.
constexpr int kListClean = 0;
constexpr int kListWarned = 1;
constexpr int kListFailed = 2;

enum class ListFormat {
    // Tab-separated, texts shown as messages show names: one record, one line.
    Tsv,
    // RFC 4180, texts quoted where they must be, backslashes and invalid
    // bytes escaped so that the exact bytes come back.
    Csv,
    // JSON Lines: one object per record, bytes that are not UTF-8 as the
    // lone surrogates U+DC80 to U+DCFF.
    Json,
};

// Prints the text on one line: valid UTF-8 as is; control bytes, a tab and
// invalid bytes as \xHH; a backslash as \\.
void PutTextTsv(std::FILE* out, const char* text, std::size_t n);

// Prints the text as a CSV field, quoted when it holds a comma, a double
// quote, a CR or a line end; a backslash as \\, invalid UTF-8 bytes as \xHH.
void PutTextCsv(std::FILE* out, const char* text, std::size_t n);

// Prints the text as a JSON string: valid UTF-8 as is but control
// characters (C0, DEL, C1), which are escaped; an invalid byte 0xHH as \udcHH.
void PutTextJson(std::FILE* out, const char* text, std::size_t n);

// Reads a byte offset: decimal digits only, from 0 up. False otherwise.
bool ParseOffset(const char* s, long long& offset);

// The header line of the format, if it has one; with named, the records
// carry their file's name first.
void PutHeader(std::FILE* out, ListFormat format, bool named);

// Lists the records of the file ("-": standard input) after its first offset
// bytes, with warnings and errors on err, the listing flushed before each.
// With named, each record carries the file's name (CSV and JSON). With
// follow, the end of the file is waited at for the records appended later,
// until the file is truncated or replaced. Returns a kList status.
int ListFile(const char* name, long long offset, ListFormat format, bool named, bool follow, std::FILE* out,
    std::FILE* err);

#endif
