// What a listing may read of a record file: its length as no writer's hold
// leaves it, so that no record that a writer may still take back is listed.
#include "catalogue.h"
#include "listed.h"
#include "lock_wait.h"
#include "messages.h"
#include "record_file.h"

namespace {

// A share of the lock that could not be had: on a file system without
// locks, said once, and the length is taken all the same; another failure
// is met as a follower meets one, to look again, or fails a listing, which
// cannot tell a writer's hold. False when the look is not made.
bool GoOnUnlocked(Listed& listed, Reason why)
{
    if (MeansNoLocks(why)) {
        if (!listed.follow.noLocksSaid)
            Warn(listed.output,
                "the file system offers no lock; a record that a writer takes back may be listed");
        listed.follow.noLocksSaid = true;
        return true;
    }
    if (listed.follow.following) {
        listed.follow.lookFailure = why;
        return false;
    }
    Warn(listed.output, "cannot lock the file", DescribeReason(why));
    listed.failed = true;
    return false;
}

// A failure to have the length, or to give the share back, which would
// keep every writer waiting: a follower meets it, a listing fails.
bool FailLook(Listed& listed, const char* what, Reason why)
{
    if (listed.follow.following && what == nullptr) {
        listed.follow.lookFailure = why;
        return false;
    }
    if (what != nullptr)
        Warn(listed.output, what, DescribeReason(why));
    else
        Warn(listed.output, DescribeReason(why));
    listed.failed = true;
    return false;
}

} // namespace

long long IndexFrom(long long offset, long long from)
{
    constexpr auto kRecord = static_cast<long long>(kRecordSize);
    return (offset % kRecord == 0 ? from : from - offset) / kRecord;
}

bool TakeLimit(Listed& listed, bool wait)
{
    listed.follow.lookFailure = kNoReason;
    Reason why =
        wait ? LockWithin(listed.cursor.file, true, kLockPatience) : TryShareRecordFile(listed.cursor.file);
    if (wait && MeansLockBusy(why)) {
        Warn(listed.output, "waiting for another program's lock on the file");
        why = ShareRecordFile(listed.cursor.file);
    }
    listed.follow.busy = MeansLockBusy(why);
    if (listed.follow.busy || (why != kNoReason && !GoOnUnlocked(listed, why)))
        return false;
    bool held = why == kNoReason;
    Reason lengthWhy = kNoReason;
    long long length = FileLength(listed.cursor.file, lengthWhy);
    if (Reason released = held ? UnlockRecordFile(listed.cursor.file) : kNoReason; released != kNoReason)
        return FailLook(listed, "cannot unlock the file", released);
    if (length < 0)
        return FailLook(listed, nullptr, lengthWhy);
    listed.cursor.limit = length;
    return true;
}
