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

// Whether the n bytes at offset in the file are still those given; false,
// with why, when they cannot be read.
bool Holds(const Listed& listed, long long offset, const char* bytes, std::size_t n, Reason& why)
{
    char now[kRecordSize];
    long long got = ReadAt(listed.file, offset, now, n, why);
    return got == static_cast<long long>(n) && std::memcmp(now, bytes, n) == 0;
}

// The listing as it stands, the file as the last look found it.
FollowLook Unchanged(const Listed& listed)
{
    FollowLook look{};
    look.naming = Naming::Same;
    look.length = listed.limit;
    look.unlocked = listed.unlocked;
    look.lastSame = true;
    look.heldSame = true;
    look.listedEnd = listed.listedEnd;
    look.read = listed.read;
    look.held = listed.have;
    return look;
}

// Sees whether the file still holds the last record listed, and the part
// held before the bytes just read, block[0, held).
void SeeListed(Listed& listed, std::size_t held, FollowLook& look)
{
    if (listed.lastAt >= 0)
        look.lastSame = Holds(listed, listed.lastAt, listed.last, kRecordSize, look.failure);
    long long heldAt = listed.read - static_cast<long long>(listed.have);
    if (look.failure == kNoReason && held > 0)
        look.heldSame = Holds(listed, heldAt, listed.block, held, look.failure);
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
    look.unlocked = listed.unlocked;
    SeeListed(listed, listed.have, look);
    return look;
}

// Reads on after what is held, and sees whether the file still holds what
// was read before.
FollowLook ReadOn(Listed& listed)
{
    std::size_t held = listed.have;
    Reason why = kNoReason;
    long long n = ReadBlock(listed, why);
    FollowLook look = Unchanged(listed);
    look.failure = why;
    look.drained = n == 0;
    look.justRead = n > 0;
    if (n > 0)
        SeeListed(listed, held, look);
    return look;
}

// Reads the file again from the end of what was listed, what was held or
// dropped after it read anew.
FollowLook ReadAgainFrom(Listed& listed)
{
    FollowLook look = Unchanged(listed);
    look.failure = SeekTo(listed.file, listed.listedEnd);
    if (look.failure != kNoReason)
        return look;
    listed.read = listed.listedEnd;
    listed.have = 0;
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
    case FollowStep::DropStray:
        DropStray(listed);
        return Unchanged(listed);
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

void Warn(Listed& listed, const char* what, const char* more)
{
    PutPendingLines(listed);
    EraseProgress(listed.progress);
    FlushOutput(listed.out);
    PutMessage(listed.err, kListProgram, listed.name, what, more);
}

void AwaitFollowed(const Listed& listed, WatchHandle watch, int milliseconds)
{
    if (!AwaitChange(watch, listed.out, milliseconds))
        EndAsClosedPipe();
}

void DropStray(Listed& listed)
{
    char what[256];
    std::snprintf(what, sizeof what,
        TranslatePlural("%zu stray byte at byte %lld; the records after it are listed from byte %lld, as "
                        "lecture --offset %lld lists them",
            "%zu stray bytes at byte %lld; the records after them are listed from byte %lld, as lecture "
            "--offset %lld lists them",
            listed.have),
        listed.have, listed.read - static_cast<long long>(listed.have), listed.read, listed.read);
    Warn(listed, what);
    listed.have = 0;
    listed.index = IndexFrom(listed.read, listed.read);
}

void MeetFailure(Listed& listed, Reason why)
{
    if (++listed.failing >= kLastingFailure && !listed.failureSaid) {
        FlushOutput(listed.out);
        PutMessage(listed.err, kListProgram, listed.name, DescribeReason(why), Translate("trying again"));
        listed.failureSaid = true;
    }
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
