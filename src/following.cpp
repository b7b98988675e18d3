// Following a file as it grows: the looks at it and the steps that
// NextFollowStep gives, carried out.
#include "listed.h"

#include "catalogue.h"
#include "console.h"
#include "follow_step.h"
#include "listed_file.h"
#include "messages.h"
#include "record_file.h"
#include "signals.h"

#include <algorithm>
#include <cstring>

namespace {

// Why a followed file is no longer followed, said when it is; by FollowEnd.
constexpr const char* kEnds[] = {nullptr, Untranslated("file truncated; no longer followed"),
    Untranslated("file truncated or rewritten; no longer followed"),
    Untranslated("file renamed; no longer followed"), Untranslated("file removed; no longer followed"),
    Untranslated("file replaced; no longer followed"), nullptr, nullptr};

// Waits until the file may have changed, as AwaitChange does, a second at
// most or as long as given; a reader of the output that has gone ends the
// run at once, as a closed pipe ends a filter.
void AwaitFollowed(const ListedOutput& output, WatchHandle watch, int milliseconds = kFollowWait)
{
    if (!AwaitChange(watch, output.out, milliseconds))
        EndAsClosedPipe();
}

// Meets a failure while following, as tail -f does: it is tried again at
// the next look, and said once, when it lasts.
void MeetFailure(FollowState& follow, ListedOutput& output, Reason why)
{
    if (++follow.failing >= kLastingFailure && !follow.failureSaid) {
        FlushOutput(output.out);
        PutMessage(output.err, kListProgram, output.name, DescribeReason(why), Translate("trying again"));
        follow.failureSaid = true;
    }
}

// Whether the n bytes at offset in the file, a record or less, are still
// those given; false, with why, when they cannot be read.
bool Holds(const ReadCursor& cursor, long long offset, const char* bytes, std::size_t n, Reason& why)
{
    char now[kRecordSize];
    if (n > sizeof now)
        return false;
    long long got = ReadAt(cursor.file, offset, now, n, why);
    return got == static_cast<long long>(n) && std::memcmp(now, bytes, n) == 0;
}

// The listing as it stands, the file as the last look found it.
FollowLook Unchanged(const ReadCursor& cursor)
{
    FollowLook look{};
    look.naming = Naming::Same;
    look.length = cursor.limit;
    look.lastSame = true;
    look.partSame = true;
    look.listedEnd = cursor.listedEnd;
    look.read = cursor.read;
    return look;
}

// Sees whether the file still holds the last record listed, and the part
// of a record held after it, block[0, part).
void SeeListed(const ReadCursor& cursor, std::size_t part, FollowLook& look)
{
    if (cursor.lastAt >= 0)
        look.lastSame = Holds(cursor, cursor.lastAt, cursor.last, kRecordSize, look.failure);
    long long partAt = cursor.read - static_cast<long long>(cursor.have);
    if (look.failure == kNoReason && part > 0)
        look.partSame = Holds(cursor, partAt, cursor.block, part, look.failure);
}

// Waits until the file may have changed, then looks at its name, its
// length under a share of the lock, and what was listed of it.
FollowLook LookAfterWait(Listed& listed, int milliseconds)
{
    FollowLook look = Unchanged(listed.cursor);
    look.readerGone = !AwaitChange(listed.follow.watch, listed.output.out, milliseconds);
    if (look.readerGone)
        return look;
    look.naming = CheckName(listed.cursor.file, listed.output.name, look.failure);
    if (look.failure != kNoReason)
        return look;
    if (!TakeLimit(listed, false)) {
        look.busy = listed.follow.busy;
        look.failure = listed.follow.lookFailure;
        look.broken = listed.failed;
        return look;
    }
    look.length = listed.cursor.limit;
    SeeListed(listed.cursor, listed.cursor.have, look);
    return look;
}

// Reads on after the part held, and sees whether the file still holds what
// was listed and that part. A read whose bytes cannot be checked is taken
// back whole, so that no look holds more than a part of a record.
FollowLook ReadOn(ReadCursor& cursor)
{
    const long long read = cursor.read;
    const long long skip = cursor.skip;
    const std::size_t part = cursor.have;
    Reason why = kNoReason;
    long long n = ReadBlock(cursor, why);
    FollowLook look = Unchanged(cursor);
    look.failure = why;
    look.drained = n == 0;
    look.justRead = n > 0;
    if (n > 0)
        SeeListed(cursor, part, look);
    if (n > 0 && look.failure != kNoReason) {
        cursor.read = read;
        cursor.skip = skip;
        cursor.have = part;
        look.read = read;
        look.justRead = false;
    }
    return look;
}

// Reads the file again from the end of what was listed, the part held
// after it read anew.
FollowLook ReadAgainFrom(Listed& listed)
{
    listed.cursor.read = listed.cursor.listedEnd;
    listed.cursor.have = 0;
    listed.cursor.skip = std::max(0LL, listed.options->offset - listed.cursor.listedEnd);
    listed.index = listed.cursor.lastAt >= 0 ? listed.lastIndex + 1 : listed.first;
    return Unchanged(listed.cursor);
}

// Flushes what was listed, then waits and looks.
FollowLook WaitAndLook(Listed& listed, int milliseconds)
{
    if (FlushOutput(listed.output.out))
        return LookAfterWait(listed, milliseconds);
    FollowLook look = Unchanged(listed.cursor);
    look.broken = true;
    return look;
}

// Carries out the step: what the file and the listing look like after it.
FollowLook CarryOut(Listed& listed, const FollowLook& look, FollowStep step, int& status)
{
    switch (step) {
    case FollowStep::List: {
        status = std::max(status, ListTaken(listed));
        FollowLook listedNow = Unchanged(listed.cursor);
        listedNow.broken = std::ferror(listed.output.out) != 0;
        return listedNow;
    }
    case FollowStep::Read:
        return ReadOn(listed.cursor);
    case FollowStep::ReadAgain:
        return ReadAgainFrom(listed);
    case FollowStep::MeetFailure:
        MeetFailure(listed.follow, listed.output, look.failure);
        return LookAfterWait(listed, kFollowWait);
    case FollowStep::Wait:
    case FollowStep::LookAgain:
        return WaitAndLook(listed, step == FollowStep::Wait ? kFollowWait : kLookAgain);
    case FollowStep::End:
        break;
    }
    return look;
}

} // namespace

int FollowRecords(Listed& listed)
{
    int status = kListClean;
    if (!StartListing(listed.output, *listed.options))
        return kListFailed;
    FollowLook look = Unchanged(listed.cursor);
    FollowDecision next{};
    while ((next = NextFollowStep(look)).step != FollowStep::End) {
        look = CarryOut(listed, look, next.step, status);
        // Failures in a row are counted, to say one that lasts.
        listed.follow.failing = look.failure != kNoReason ? listed.follow.failing : 0;
    }
    if (next.end == FollowEnd::ReaderGone)
        EndAsClosedPipe();
    listed.failed = listed.failed || next.end == FollowEnd::Failed;
    listed.follow.stop = kEnds[static_cast<int>(next.end)];
    return EndListing(listed, status);
}

bool CanGrow(Listed& listed)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(listed.cursor.file, why);
    for (; why != kNoReason; regular = IsRegularFile(listed.cursor.file, why)) {
        MeetFailure(listed.follow, listed.output, why);
        AwaitFollowed(listed.output, kNoWatch);
    }
    listed.follow.failing = 0;
    return regular;
}

FileHandle OpenToFollow(ListedOutput& output, Reason& why)
{
    FileHandle file = OpenListedFile(output.name, why);
    if (file == kNoFile && MeansNoSuchFile(why)) {
        Warn(output, "does not exist yet; waiting for it");
        while ((file = OpenListedFile(output.name, why)) == kNoFile && MeansNoSuchFile(why))
            AwaitFollowed(output, kNoWatch);
    }
    return file;
}

bool TakeFirstLimit(Listed& listed)
{
    if (!listed.follow.following)
        return TakeLimit(listed, true);
    while (!TakeLimit(listed, false) && !listed.failed) {
        if (listed.follow.lookFailure != kNoReason)
            MeetFailure(listed.follow, listed.output, listed.follow.lookFailure);
        AwaitFollowed(listed.output, kNoWatch, listed.follow.busy ? kLookAgain : kFollowWait);
    }
    listed.follow.failing = 0;
    return !listed.failed;
}
