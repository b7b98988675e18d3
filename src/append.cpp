#include "append.h"

#include "messages.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Takes the lock if another gives it up within about milliseconds; a reason
// that MeansLockBusy when it did not. Short pauses at first: most holds last
// a few writes.
Reason LockWithin(FileHandle file, int milliseconds)
{
    for (int waited = 0, pause = 5;; waited += pause, pause = std::min(2 * pause, 80)) {
        Reason why = TryLockRecordFile(file);
        if (!MeansLockBusy(why) || waited >= milliseconds)
            return why;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

// Takes the lock unless it is unavailable, saying so when another keeps it
// long. With a file system that has none, says so once and goes on
// without. Returns 1 after a failure that it said, else 0.
int TakeLock(AgreedLock& lock, bool sayEachWait, std::FILE* err)
{
    if (lock.state != LockState::Free)
        return 0;
    Reason why = LockWithin(lock.file, kLockPatience);
    if (MeansLockBusy(why)) {
        if (sayEachWait || !lock.waitSaid)
            PutMessage(err, kCaptureProgram, lock.nom, "waiting for another program's lock on the file");
        lock.waitSaid = true;
        why = LockRecordFile(lock.file);
    }
    lock.state = why == kNoReason ? LockState::Held : LockState::Unavailable;
    if (why != kNoReason && MeansNoLocks(why)) {
        PutMessage(err, kCaptureProgram, lock.nom,
            "the file system offers no lock; runs on other machines may overwrite records");
    } else if (why != kNoReason) {
        PutMessage(err, kCaptureProgram, lock.nom, "cannot lock the file", DescribeReason(why));
        return 1;
    }
    return 0;
}

// Hands the lock over, the records appended under it flushed first when
// asked. Returns how many failures it said.
int ReleaseLock(AgreedLock& lock, bool flush, std::FILE* err)
{
    if (lock.state != LockState::Held)
        return 0;
    Reason flushed = flush ? FlushRecordFile(lock.file) : kNoReason;
    lock.state = LockState::Free;
    Reason unlocked = UnlockRecordFile(lock.file);
    // Said once the lock is free: a message may wait on its reader.
    if (flushed != kNoReason)
        PutSystemError(err, kCaptureProgram, lock.nom, flushed);
    if (unlocked != kNoReason)
        PutMessage(err, kCaptureProgram, lock.nom, "cannot unlock the file", DescribeReason(unlocked));
    return (flushed != kNoReason ? 1 : 0) + (unlocked != kNoReason ? 1 : 0);
}

// Writes the record at the end of the file, whose length is end, and
// flushes it when asked; under the lock, a write cut short is taken back.
void StoreRecord(const AgreedLock& lock, Pending& record, long long end, bool flush)
{
    char bytes[kRecordSize];
    EncodeRecord(record.rec, bytes);
    record.at = end;
    record.flushFailed = kNoReason;
    record.takeBackFailed = kNoReason;
    record.written = WriteWhole(lock.file, bytes, sizeof bytes, record.writeFailed);
    if (record.written == sizeof bytes && flush)
        record.flushFailed = FlushRecordFile(lock.file);
    if (record.written > 0 && record.written < sizeof bytes && lock.state == LockState::Held && end >= 0) {
        record.takeBackFailed = CutRecordFile(lock.file, end);
        record.written = record.takeBackFailed == kNoReason ? 0 : record.written;
    }
}

} // namespace

AppendPlan PlanAppend(Console console, bool sharedFile, std::size_t recordsInHand)
{
    bool person = console != Console::Piped;
    AppendPlan plan{};
    plan.batch = person ? 0 : std::min(recordsInHand, kBatchMost);
    plan.flushEach = person;
    plan.flushAtRelease = !person && sharedFile;
    plan.sayEachWait = person;
    return plan;
}

AgreedLock StartAppends(FileHandle file, const char* nom)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(file, why);
    return AgreedLock{file, nom, regular ? LockState::Free : LockState::Unavailable, regular, false};
}

int AppendRecords(AgreedLock& lock, const AppendPlan& plan, Pending* records, std::size_t n, std::FILE* err)
{
    int failures = TakeLock(lock, plan.sayEachWait, err);
    Reason why = kNoReason;
    // Other stations may have appended while the lock was free.
    long long end = FileLength(lock.file, why);
    bool appended = false;
    for (std::size_t k = 0; k < n; ++k) {
        StoreRecord(lock, records[k], end, plan.flushEach);
        appended = appended || records[k].written > 0;
        // A device has no length that the records add to: it is asked again.
        end = lock.regular && end >= 0 ? end + static_cast<long long>(records[k].written)
                                       : FileLength(lock.file, why);
    }
    return failures + ReleaseLock(lock, appended && plan.flushAtRelease, err);
}

int ReportAppended(const Pending& record, const char* nom, std::FILE* err)
{
    if (record.writeFailed != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, record.writeFailed);
    if (record.flushFailed != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, record.flushFailed);
    if (record.takeBackFailed != kNoReason)
        PutMessage(err, kCaptureProgram, nom, "cannot take back the part of the record written",
            DescribeReason(record.takeBackFailed));
    // The usual report goes out as it stands: formatting it for every
    // record would cost more than the rest of the loop's own work.
    if (record.written == kRecordSize)
        PutLiteral(err, "88 Bytes écrits\n");
    else
        PutNumberLine(err, "", static_cast<long long>(record.written), " Bytes écrits\n");
    return record.writeFailed != kNoReason || record.flushFailed != kNoReason ? 1 : 0;
}
