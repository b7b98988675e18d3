// Appending records to a file that other stations may append to at the
// same time, under the agreed lock: the one policy, NextStep, decides every
// step around the records of a hold of the lock, and AppendRecords carries
// the steps out, deciding nothing.
#ifndef ECRITURE_APPEND_H
#define ECRITURE_APPEND_H

#include "dialogue.h"
#include "lock_wait.h"
#include "record.h"
#include "record_file.h"

#include <cstddef>
#include <cstdio>

// The most records appended under one hold of the lock: a few hundred
// microseconds of writes, then another station's turn.
constexpr std::size_t kBatchMost = 256;

// How many records the next hold appends: a person's record alone, its
// dialogue written as it is read; piped, the records whole in the input
// already, up to kBatchMost, their dialogue written after the hold, or one
// read as it comes when the input holds none whole yet.
std::size_t PlanHold(Console console, std::size_t recordsInHand);

// The agreed lock at a step of a hold.
enum class LockState {
    // To be taken: a regular file, at the start of each hold.
    Free,
    Held,
    // Another has held it past kLockPatience: waited for.
    Busy,
    // The try failed for a fault: said, counted, tried again at the next hold.
    Failed,
    // None to be had: a pipe or a device, or a file system that has no
    // locks at this try.
    Absent,
};

// The steps around the records of a hold, in the order they may come.
enum class Step {
    Begin,
    TakeLock,
    WaitLock,
    // The next record, appended at the end of the file.
    Write,
    // The record just written, put on the disk before it is reported.
    FlushRecord,
    // The record just written, or its part, cut off the file again.
    TakeBack,
    // Nothing more is appended: a record's part stays in the file.
    Stop,
    // The hold's records, flushed to the server before the lock goes on.
    FlushHold,
    TakeBackHold,
    Release,
    // What became of each record is said; the hold is over.
    Report,
};

// A record to append, and what became of it.
struct Pending {
    Record rec;
    // Where it was appended: the file's length before it; -1 when the file
    // has none.
    long long at;
    // How many of its bytes stay in the file.
    std::size_t stays;
    Reason writeFailed;
    Reason flushFailed;
    Reason takeBackFailed;
    // Not written: the file's end, at, was off the records' grid, another
    // run having left part of a record, at partAt, since the open.
    bool offGrid;
    long long partAt;
};

// One hold of the lock over some records: its situation, and where it stands.
struct Hold {
    // A person answers: each record on the disk before it is reported.
    bool person;
    // A network or user-space file system: flushed before the hand-over.
    bool shared;
    // A file whose length grows with the records (not a pipe or a device).
    bool regular;
    LockState lock;
    // The step carried out last.
    Step done;
    Pending* records;
    std::size_t count;
    // How many of them were written, or tried; the last one is the one at
    // hand.
    std::size_t tried;
    // The file's length where the next record goes.
    long long end;
    // Where records start in the file, its length at the open modulo 88;
    // -1 for a file that has no length.
    long long grid;
    Reason flushFailed;
    bool stopped;
};

// The policy: the step after h.done, from the situation and what the steps
// so far gave.
Step NextStep(const Hold& h);

// What the lock's tries said, so that a failure is said once while it lasts.
struct AgreedLock {
    FileHandle file;
    const char* nom;
    bool regular;
    bool shared;
    // Where records start in the file, as Hold::grid.
    long long grid;
    // The lock's state at the last try, Held once one succeeded.
    LockState last;
    bool waitSaid;
};

// The regular file's length as no append in progress leaves it: asked
// again under the agreed lock when it is off the records' grid; -1 when it
// cannot be had. A lock that cannot be given back is said on err, and
// counted in failures.
long long SettledLength(FileHandle file, const char* nom, std::FILE* err, int& failures);

// The lock over a run's appends to the file, and the grid of its records as
// the open found it: a file that ended in a part then is appended to after
// that part, as it was said at the open.
AgreedLock StartAppends(FileHandle file, const char* nom, std::FILE* err, int& failures);

// A hold over the n records, as the console answers.
Hold StartHold(const AgreedLock& lock, Console console, Pending* records, std::size_t n);

// Carries out the steps that NextStep gives, up to the report, which is the
// caller's. Returns how many failures of the lock or of its hand-over it
// said on err; the records' own are in them.
int AppendRecords(AgreedLock& lock, Hold& h, std::FILE* err);

// Says what became of the record, once the lock is released: what went
// wrong, then "88 Bytes écrits", or fewer; a part left stops the capture,
// and is said, as another run's part found at a hold is. 1 when the record
// is not safely stored, else 0.
int ReportAppended(const Pending& record, const char* nom, std::FILE* err);

#endif
