// Appending records to a file that other stations may append to at the
// same time: the agreed lock's policy, decided whole by PlanAppend, and the
// hold of the lock that carries it out.
#ifndef ECRITURE_APPEND_H
#define ECRITURE_APPEND_H

#include "dialogue.h"
#include "record.h"
#include "record_file.h"

#include <cstddef>
#include <cstdio>

// The most records appended under one hold of the lock: a few hundred
// microseconds of writes, then another station's turn.
constexpr std::size_t kBatchMost = 256;

// How long the run waits for another's lock before it says so, in ms.
constexpr int kLockPatience = 1000;

// How the next records are appended.
struct AppendPlan {
    // How many records, whole in the input already, are read at once and
    // appended under one hold, their dialogue written after it; 0: one
    // record, its dialogue written as it is read, then appended alone.
    std::size_t batch;
    // Each record flushed to disk before the lock goes and it is reported:
    // a person is told "écrits" only once the record is there.
    bool flushEach;
    // The records flushed before the lock goes: on a network file system,
    // the station that takes it next must find them.
    bool flushAtRelease;
    // Each wait for another's lock said, not only the first.
    bool sayEachWait;
};

// The policy. The lock is held around the appends alone, never through a
// read or a write that may wait: the records whole in piped input are read
// before it is taken, a batch at a time, and their dialogue and reports
// are written once it is released; a person's record, or one that the
// input does not hold whole yet, is read first and appended alone. Piped
// records are flushed at the close, or at each release on a shared file.
AppendPlan PlanAppend(Console console, bool sharedFile, std::size_t recordsInHand);

// The agreed lock over a run's appends: taken by the run, free, or not to
// be had on this file (a pipe, a device, a file system without locks).
enum class LockState { Free, Held, Unavailable };

struct AgreedLock {
    FileHandle file;
    const char* nom;
    LockState state;
    // The records go to a file whose length grows with them.
    bool regular;
    bool waitSaid;
};

// The lock over the file, free for a regular file, else unavailable.
AgreedLock StartAppends(FileHandle file, const char* nom);

// A record to append, and what became of it.
struct Pending {
    Record rec;
    // Where it was appended: the file's length before it; -1 when the file
    // has none.
    long long at;
    // How many of its bytes stay in the file: 88, or fewer on failure.
    std::size_t written;
    Reason writeFailed;
    Reason flushFailed;
    Reason takeBackFailed;
};

// Appends the records under one hold of the lock, taken first (waited for,
// and said when another holds it long), flushed as the plan says, then
// released. A write cut short is taken back while the lock is held, the
// file's length under it known. Returns how many failures of the lock or
// of its flush it said on err; the records' own are in them.
int AppendRecords(AgreedLock& lock, const AppendPlan& plan, Pending* records, std::size_t n, std::FILE* err);

// Says what became of the record, once the lock is released: what went
// wrong, then "88 Bytes écrits", or fewer. 1 when the record is not safely
// stored, else 0.
int ReportAppended(const Pending& record, const char* nom, std::FILE* err);

#endif
