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
void AwaitFollowed(const Listed& listed, WatchHandle watch, int milliseconds = kFollowWait)
{
    if (!AwaitChange(watch, listed.out, milliseconds))
        EndAsClosedPipe();
}

// Meets a failure while following, as tail -f does: it is tried again at
// the next look, and said once, when it lasts.
void MeetFailure(Listed& listed, Reason why)
{
    if (++listed.failing >= kLastingFailure && !listed.failureSaid) {
        FlushOutput(listed.out);
        PutMessage(listed.err, kListProgram, listed.name, DescribeReason(why), Translate("trying again"));
        listed.failureSaid = true;
    }
}

// Whether the n bytes at offset in the file, a record or less, are still
// those given; false, with why, when they cannot be read.
bool Holds(const Listed& listed, long long offset, const char* bytes, std::size_t n, Reason& why)
{
    char now[kRecordSize];
    if (n > sizeof now)
        return false;
    long long got = ReadAt(listed.file, offset, now, n, why);
    return got == static_cast<long long>(n) && std::memcmp(now, bytes, n) == 0;
}

// The listing as it stands, the file as the last look found it.
FollowLook Unchanged(const Listed& listed)
{
    FollowLook look{};
    look.naming = Naming::Same;
    look.length = listed.limit;
    look.lastSame = true;
    look.partSame = true;
    look.listedEnd = listed.listedEnd;
    look.read = listed.read;
    return look;
}

// Sees whether the file still holds the last record listed, and the part
// of a record held after it, block[0, part).
void SeeListed(Listed& listed, std::size_t part, FollowLook& look)
{
    if (listed.lastAt >= 0)
        look.lastSame = Holds(listed, listed.lastAt, listed.last, kRecordSize, look.failure);
    long long partAt = listed.read - static_cast<long long>(listed.have);
    if (look.failure == kNoReason && part > 0)
        look.partSame = Holds(listed, partAt, listed.block, part, look.failure);
    listed.failing = look.failure == kNoReason ? 0 : listed.failing;
}

// Waits until the file may have changed, then looks at its name, its
// length under a share of the lock, and what was listed of it.
FollowLook LookAfterWait(Listed& listed, int milliseconds)
{
    FollowLook look = Unchanged(listed);
    look.readerGone = !AwaitChange(listed.watch, listed.out, milliseconds);
    if (look.readerGone)
        return look;
    look.naming = CheckName(listed.file, listed.name, look.failure);
    if (look.failure != kNoReason)
        return look;
    if (!TakeLimit(listed, false)) {
        look.busy = listed.busy;
        look.failure = listed.lookFailure;
        look.broken = listed.failed;
        return look;
    }
    look.length = listed.limit;
    SeeListed(listed, listed.have, look);
    return look;
}

// Reads on after the part held, and sees whether the file still holds what
// was listed and that part. A read whose bytes cannot be checked is taken
// back whole, so that no look holds more than a part of a record.
FollowLook ReadOn(Listed& listed)
{
    const long long read = listed.read;
    const long long skip = listed.skip;
    const std::size_t part = listed.have;
    Reason why = kNoReason;
    long long n = ReadBlock(listed, why);
    FollowLook look = Unchanged(listed);
    look.failure = why;
    look.drained = n == 0;
    look.justRead = n > 0;
    if (n > 0)
        SeeListed(listed, part, look);
    if (n > 0 && look.failure != kNoReason) {
        listed.read = read;
        listed.skip = skip;
        listed.have = part;
        look.read = read;
        look.justRead = false;
    }
    return look;
}

// Reads the file again from the end of what was listed, the part held
// after it read anew.
FollowLook ReadAgainFrom(Listed& listed)
{
    listed.read = listed.listedEnd;
    listed.have = 0;
    listed.skip = std::max(0LL, listed.options->offset - listed.listedEnd);
    listed.index = listed.lastAt >= 0 ? listed.lastIndex + 1 : listed.first;
    return Unchanged(listed);
}

// Flushes what was listed, then waits and looks.
FollowLook WaitAndLook(Listed& listed, int milliseconds)
{
    if (FlushOutput(listed.out))
        return LookAfterWait(listed, milliseconds);
    FollowLook look = Unchanged(listed);
    look.broken = true;
    return look;
}

// Carries out the step: what the file and the listing look like after it.
FollowLook CarryOut(Listed& listed, const FollowLook& look, FollowStep step, int& status)
{
    switch (step) {
    case FollowStep::List: {
        status = std::max(status, ListTaken(listed));
        FollowLook listedNow = Unchanged(listed);
        listedNow.broken = std::ferror(listed.out) != 0;
        return listedNow;
    }
    case FollowStep::Read:
        return ReadOn(listed);
    case FollowStep::ReadAgain:
        return ReadAgainFrom(listed);
    case FollowStep::MeetFailure:
        MeetFailure(listed, look.failure);
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
    if (!StartListing(listed))
        return kListFailed;
    FollowLook look = Unchanged(listed);
    FollowDecision next{};
    while ((next = NextFollowStep(look)).step != FollowStep::End)
        look = CarryOut(listed, look, next.step, status);
    if (next.end == FollowEnd::ReaderGone)
        EndAsClosedPipe();
    listed.failed = listed.failed || next.end == FollowEnd::Failed;
    listed.stop = kEnds[static_cast<int>(next.end)];
    return EndListing(listed, status);
}

bool CanGrow(Listed& listed)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(listed.file, why);
    for (; why != kNoReason; regular = IsRegularFile(listed.file, why)) {
        MeetFailure(listed, why);
        AwaitFollowed(listed, kNoWatch);
    }
    listed.failing = 0;
    return regular;
}

FileHandle OpenToFollow(Listed& listed, Reason& why)
{
    FileHandle file = OpenListedFile(listed.name, why);
    if (file == kNoFile && MeansNoSuchFile(why)) {
        Warn(listed, "does not exist yet; waiting for it");
        while ((file = OpenListedFile(listed.name, why)) == kNoFile && MeansNoSuchFile(why))
            AwaitFollowed(listed, kNoWatch);
    }
    return file;
}

bool TakeFirstLimit(Listed& listed)
{
    if (!listed.following)
        return TakeLimit(listed, true);
    while (!TakeLimit(listed, false) && !listed.failed) {
        if (listed.lookFailure != kNoReason)
            MeetFailure(listed, listed.lookFailure);
        AwaitFollowed(listed, kNoWatch, listed.busy ? kLookAgain : kFollowWait);
    }
    return !listed.failed;
}
