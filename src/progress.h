// A long listing's progress, for a person at a terminal: one line on
// standard error, updated in place, and erased at the end.
#ifndef ECRITURE_PROGRESS_H
#define ECRITURE_PROGRESS_H

#include <cstddef>
#include <cstdio>

// Shown once a listing has lasted this long, updated at most this often, in
// milliseconds.
constexpr long long kProgressAfter = 1000;
constexpr long long kProgressEvery = 250;

struct Progress {
    std::FILE* err;
    // Nothing is shown, as when standard error is not a terminal.
    bool off;
    // When the listing started and the line was shown last, in milliseconds.
    long long start;
    long long shown;
    // How many bytes the line on the screen holds: 0 when none is.
    std::size_t width;
    // The terminal's width, which the line never reaches; 0 when unknown.
    std::size_t columns;
};

// Starts the progress of one file's listing, on err unless off.
Progress StartProgress(std::FILE* err, bool off);

// Shows, once the listing has lasted, how many records are done, the part
// of the file's length that was read (when it has one, else -1) and how many
// records a second.
void TickProgress(Progress& progress, const char* name, long long records, long long read, long long length);

// Shows, once the run has lasted, that the workbook of so many records is
// being written: the line stays while the library writes it, until erased.
void ShowWorkbookProgress(Progress& progress, long long records);

// Erases the line, before another is written or at the end.
void EraseProgress(Progress& progress);

#endif
