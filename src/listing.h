// Listing a record file: one line per record, as tab-separated text, CSV or
// JSON Lines, once or following the file as it grows.
#ifndef ECRITURE_LISTING_H
#define ECRITURE_LISTING_H

#include "system_reason.h"

#include <cstddef>
#include <cstdio>

struct Workbook;

// As every message of the listing program names it.
constexpr char kListProgram[] = "lecture";

// What a file's listing came to; the run's status is the worst of them.
constexpr int kListClean = 0;
constexpr int kListWarned = 1;
constexpr int kListFailed = 2;

enum class ListFormat {
    // Tab-separated, texts shown as messages show names: one record, one line.
    Tsv,
    // RFC 4180, texts quoted where they must be, their bytes as they are.
    Csv,
    // JSON Lines: one object per record, bytes that are not UTF-8 as the
    // lone surrogates U+DC80 to U+DCFF.
    Json,
    // One workbook for a spreadsheet: a row per record, the numbers as
    // numbers, each text as exactly its text.
    Xlsx,
    // Nothing listed: a line per file that says how many records it holds
    // and what is wrong with it.
    Check,
};

// How the files of a run are listed.
struct ListOptions {
    ListFormat format;
    // Bytes skipped at the start of each file: sought past where the file
    // can seek, else read and dropped; past its end, nothing is listed.
    long long offset;
    // Only the last records of each file after the offset, so many; -1 for
    // all of them. With a follow, 0 lists only the records appended later.
    long long last;
    // The end of the file is waited at for the records appended later, until
    // the file is truncated, rewritten or replaced; a file not made yet is
    // waited for.
    bool follow;
    // One of several files: its records follow a banner that names it (TSV),
    // or each carries its name in a column of its own (CSV, JSON, Xlsx).
    bool named;
    // Where Xlsx writes; null for the other formats.
    Workbook* book;
    // Why standard input cannot be read, when it was closed at the start.
    Reason inputClosed;
    // A line on standard error, updated as a long listing goes.
    bool progress;
    // Each text as the hexadecimal digits of its bytes, two lowercase a
    // byte, for a consumer that takes bytes (PostgreSQL's bytea).
    bool hex;
    // The records after the offset that are passed over, sought past on a
    // file that can seek: -n +K passes over K - 1.
    long long from;
};

// True when the file to list ("-": standard input) is the file that
// standard output writes to: its listing would be written into what it
// reads, and nothing of the run may be.
bool IsListingOutput(const char* name);

// Lists the records of the file ("-": standard input), with warnings and
// errors on err, the listing flushed before each. The header goes before
// the first file that opens and reads, unless headed (with Xlsx, the
// workbook starts); a file that is standard output is not listed. With Check, the
// file's line goes to out, whatever became of it. Returns a kList status.
int ListFile(const char* name, const ListOptions& options, bool& headed, std::FILE* out, std::FILE* err);

#endif
