// One file's listing as it goes, shared by the two halves of the listing:
// listing.cpp reads the file and lists its records, following.cpp waits at
// the end of a followed file and checks that it still holds what was listed.
#ifndef ECRITURE_LISTED_H
#define ECRITURE_LISTED_H

#include "file_handle.h"
#include "follow.h"
#include "list_format.h"
#include "listing.h"
#include "progress.h"
#include "record.h"

#include <cstddef>
#include <cstdio>

// Whole records per read; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockRecords = 1024;
constexpr std::size_t kBlockSize = kBlockRecords * kRecordSize;

// A failure that lasts this many looks in a row is said.
constexpr int kLastingFailure = 2;

// The problems of records that a check says for a file, the rest counted.
constexpr long long kProblemsSaid = 10;

struct Listed {
    const char* name;
    const ListOptions* options;
    // The run's header was written, or the workbook started.
    bool* headed;
    ListFormat format;
    // Its header and banner are written.
    bool started;
    // The file column's name, or null.
    const char* column;
    std::FILE* out;
    std::FILE* err;
    Workbook* book;
    FileHandle file;
    // Waited on at the end of a followed file; following while it may grow.
    WatchHandle watch;
    bool following;
    // The next record's index, and the first's.
    long long index;
    long long first;
    long long skip;
    // The file's length at the start, for the progress; -1 when it has none.
    long long length;
    // Bytes read from the file, those skipped included.
    long long read;
    // Read and not listed yet, block[0, have): the start of a record.
    char block[kBlockSize];
    std::size_t have;
    // The last record listed and where it stands, to tell a rewrite; lastAt
    // is -1 before the first.
    char last[kRecordSize];
    long long lastAt;
    // What was wrong with it, for a check.
    FileCheck found;
    // A failure met while following it, which may pass: the looks in a row
    // that failed, and whether it was said.
    int failing;
    bool failureSaid;
    // Why the follow ended, or null; the listing failed.
    const char* stop;
    bool failed;
    Progress progress;
};

// Says a warning beside its file's records: the listing goes out first.
void Warn(Listed& listed, const char* what);

// Waits until the file may have changed, a second at most, as AwaitChange
// does; a reader of the output that has gone ends the run at once, as a
// closed pipe ends a filter.
void AwaitFollowed(const Listed& listed, WatchHandle watch);

// Meets a failure while following, as tail -f does: it is tried again at
// the next look, and said once, when it lasts. Returns null: the follow
// goes on.
const char* MeetFailure(Listed& listed, Reason why);

// Whether the followed file still holds what was read of it: the last
// record listed, and the start of a record held before the bytes just
// read, block[0, held). Null when it does, else why it is no longer
// followed. A file cut back no further than the last record listed, as
// ecriture takes back a record that did not fit, is read again from there,
// what was held dropped.
const char* CheckListed(Listed& listed, std::size_t held);

// After a read that failed (n < 0, with why) or gave nothing: true to read
// again, as a followed file may grow and a failure while following may
// pass; false when the listing ends, failed or stop set when it must.
bool ReadAgain(Listed& listed, long long n, Reason why);

// Whether the open file can grow while it is followed, as a regular file
// does (a FIFO ends when its writer closes it); a failure to tell is met as
// a follower meets one.
bool CanGrow(Listed& listed);

// Opens the file to follow, waiting for it, as tail -F does, while it has
// not been made yet, the wait said once; kNoFile on another failure, with
// why.
FileHandle OpenToFollow(Listed& listed, Reason& why);

#endif
