// One file's listing as it goes, shared by its modules, each on the ones
// before it: listed_block.cpp reads blocks, lists their records and ends a
// file's listing; listed_limit.cpp takes the length a reader may read;
// following.cpp follows a file as it grows; listing.cpp opens a file, starts
// its reading where the options have it, and lists or follows it.
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

// A read's most, 1 MiB: its own cost is spread over thousands of records.
// Each read ends at a page's start in the file, where the system copies
// fastest; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

// The lines of a listing gather here, to go out in one write a block.
constexpr std::size_t kLinesSize = std::size_t{64} << 10;

// A failure that lasts this many looks in a row is said.
constexpr int kLastingFailure = 2;

// A follower's look that found a writer holding the lock is made again
// after this many milliseconds.
constexpr int kLookAgain = 50;

// The problems of records that a check says for a file, the rest counted.
constexpr long long kProblemsSaid = 10;

// Where the reading of a file stands: what was read of it, what is held,
// and where the records listed end.
struct ReadCursor {
    FileHandle file;
    // Reads at read, its own offset, as a follower does, so that a read
    // taken back leaves nothing to put back in the file.
    bool atOwnOffset;
    // What may be read of the file: its length at the last look that no
    // writer held, -1 when it has none (a pipe).
    long long limit;
    // Bytes read from the file, those skipped included, and those still to
    // skip before the first record; the last read gave less than it asked.
    long long read;
    long long skip;
    bool shortRead;
    // Where the records listed end: where the reading started before the
    // first.
    long long listedEnd;
    // Read and not listed yet, block[0, have): whole records just read, or
    // between two reads the part of a record that follows those listed.
    char* block;
    std::size_t have;
    // The last record listed and where it stands, to tell a rewrite; lastAt
    // is -1 before the first.
    char last[kRecordSize];
    long long lastAt;
};

// Where the lines of a file's listing go, and its messages.
struct ListedOutput {
    // The file's name, as the messages and the banner show it.
    const char* name;
    // The run's header was written, or the workbook started; this file's
    // banner is written.
    bool* headed;
    bool started;
    // The file column's name, or null, and its length.
    const char* column;
    std::size_t columnSize;
    std::FILE* out;
    std::FILE* err;
    Workbook* book;
    // The format, how the lines are made, and those listed and not handed
    // to out yet, lines[0, linesUsed).
    LineForm form;
    char lines[kLinesSize];
    std::size_t linesUsed;
    // The index in decimal as the lines show it, kept up with the count.
    DecimalCount shownIndex;
    Progress progress;
};

// A follow's own state, beside the reading's.
struct FollowState {
    // Following, as the file can grow; waited on at its end.
    bool following;
    WatchHandle watch;
    // The last look found a writer holding the lock, or met a failure that
    // may pass.
    bool busy;
    Reason lookFailure;
    // A failure met, which may pass: the looks in a row that failed, and
    // whether it was said; the file system's lack of locks, said once.
    int failing;
    bool failureSaid;
    bool noLocksSaid;
    // Why the follow ended, or null.
    const char* stop;
};

struct Listed {
    const ListOptions* options;
    ReadCursor cursor;
    ListedOutput output;
    FollowState follow;
    // What was wrong with it, for a check.
    FileCheck found;
    // The next record's index, the first's, and the last one listed's.
    long long index;
    long long first;
    long long lastIndex;
    // The file's length at the start, for the progress; -1 when it has none.
    long long length;
    // It is the file that standard output writes to: nothing is listed.
    bool isOutput;
    // The listing failed.
    bool failed;
};

// listed_block.cpp

// Hands the lines listed so far to out, in one write.
void PutPendingLines(ListedOutput& output);

// Says a warning beside its file's records: the listing goes out first.
void Warn(ListedOutput& output, const char* what, const char* more = nullptr);

// Before the first bytes read of a file: the run's header unless it was
// written (with Xlsx, the workbook starts), and the file's banner. False
// when the workbook cannot start.
bool StartListing(ListedOutput& output, const ListOptions& options);

// Reads the next bytes after those held, up to the limit, and takes them,
// less what is still to skip: how many were read, 0 at the end, -1 with why.
long long ReadBlock(ReadCursor& cursor, Reason& why);

// Lists the whole records held and keeps the rest; a status.
int ListTaken(Listed& listed);

// What the listing came to, once the file is read or no longer followed.
int EndListing(Listed& listed, int status);

// listed_limit.cpp

// The index of the record that starts at byte from when the reading starts
// at offset: the record's number in the file when the offset is a whole
// number of records, else counted from the offset.
long long IndexFrom(long long offset, long long from);

// Takes limit, the length of a regular file as no writer's hold leaves it:
// under a reader's share of the agreed lock, held just long enough to ask.
// A listing waits for a writer's hold as a writer does, and says so after a
// moment; a follower does not wait: false while a writer holds the lock, or
// a failure met, to look again at its next turn. A file system without
// locks is said once, and its length taken all the same. False, with the
// listing failed, when the length or the lock cannot be had.
bool TakeLimit(Listed& listed, bool wait);

// following.cpp

// The first look at a regular file: a listing waits for a writer's hold, a
// follower looks again at its turns. False when the listing fails.
bool TakeFirstLimit(Listed& listed);

// Lists a followed file's records as they come, until it is no longer
// followed.
int FollowRecords(Listed& listed);

// Whether the open file can grow while it is followed, as a regular file
// does (a FIFO ends when its writer closes it); a failure to tell is met as
// a follower meets one.
bool CanGrow(Listed& listed);

// Opens the file to follow, waiting for it, as tail -F does, while it has
// not been made yet, the wait said once; kNoFile on another failure, with
// why.
FileHandle OpenToFollow(ListedOutput& output, Reason& why);

#endif
