// The follow policy: from what the last look at a followed file saw to the
// next step, as tail -f follows a file, with nothing listed that a writer
// may still take back. following.cpp makes the looks and carries the steps
// out, deciding nothing.
//
// The records of a followed file stand where a listing finds them: at the
// start of the reading, then every 88 bytes, whoever writes the file. A
// part of a record at the end is a record still being written, by a writer
// that takes the lock or by one that takes none (cat, a stdio program's
// flush, a line-buffered writer): it is held until it is whole, however
// long that takes, and never dropped.
#ifndef ECRITURE_FOLLOW_STEP_H
#define ECRITURE_FOLLOW_STEP_H

#include "follow.h"
#include "system_reason.h"

#include <cstddef>

enum class FollowStep {
    // The bytes just read follow what was listed: their records are listed.
    List,
    // Read on, up to the length the look found.
    Read,
    // Read again from the end of what was listed: the file was cut back no
    // further than that, as a writer takes back a record that did not fit,
    // or the part of a record read after it changed.
    ReadAgain,
    // Nothing more to read: wait for a change, then look.
    Wait,
    // A writer held the lock: look again soon, never waiting on the lock.
    LookAgain,
    // A failure that may pass: met (said once it lasts), then wait and look.
    MeetFailure,
    End,
};

// Why a follow ends.
enum class FollowEnd { None, Truncated, Rewritten, Renamed, Removed, Replaced, ReaderGone, Failed };

// What the last look, or the last read, saw of the followed file and of its
// listing.
struct FollowLook {
    // The output's reader has gone, or its terminal hung up.
    bool readerGone;
    // The listing failed: its output, or the share of the lock that would
    // keep every writer waiting.
    bool broken;
    // What failed at the look, or at the check of a read, which was then
    // taken back: nothing is known of the file until the next look.
    Reason failure;
    // A writer held the lock: the file is unknown until the next look.
    bool busy;
    Naming naming;
    // The file's length at the look, as no writer's hold leaves it.
    long long length;
    // The last record listed, and the part of a record read after it, are
    // still in the file as they were read.
    bool lastSame;
    bool partSame;
    // Where the records listed end, and how far the file was read: the
    // part of a record read and not listed lies between them.
    long long listedEnd;
    long long read;
    // The last read gave bytes, whose whole records are not listed yet, or
    // gave none.
    bool justRead;
    bool drained;
};

struct FollowDecision {
    FollowStep step;
    FollowEnd end;
};

FollowDecision NextFollowStep(const FollowLook& look);

#endif
