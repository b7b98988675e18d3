// The follow policy: from what the last look at a followed file saw to the
// next step, as tail -f follows a file, with nothing listed that a writer
// may still take back. following.cpp makes the looks and carries the steps
// out, deciding nothing.
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
    // and what was held after it is read anew.
    ReadAgain,
    // The part of a record held at the end, seen while no writer held the
    // lock, is no record in progress but stray bytes: said and dropped.
    DropStray,
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
    // What failed at the look, the file being unknown; kNoReason.
    Reason failure;
    // A writer held the lock: the file is unknown until the next look.
    bool busy;
    Naming naming;
    // The file's length at the look, as no writer's hold leaves it unless
    // unlocked: none to be had, and then a part at the end may be a record
    // in progress.
    long long length;
    bool unlocked;
    // The last record listed, and the part held after it, are still in
    // the file as they were read.
    bool lastSame;
    bool heldSame;
    // Where the records listed end, how far the file was read, and how many
    // bytes read are not listed yet.
    long long listedEnd;
    long long read;
    std::size_t held;
    // The last read gave bytes not listed yet, or gave none.
    bool justRead;
    bool drained;
};

struct FollowDecision {
    FollowStep step;
    FollowEnd end;
};

FollowDecision NextFollowStep(const FollowLook& look);

#endif
