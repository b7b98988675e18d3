#include "append.h"

#include "catalogue.h"
#include "lock_wait.h"
#include "messages.h"
#include "signals.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

bool AnyStays(const Hold& h)
{
    for (std::size_t k = 0; k < h.tried; ++k)
        if (h.records[k].stays > 0)
            return true;
    return false;
}

// Once the records are written: the hand-over of the lock, the hold's
// records first flushed to the server of a shared file.
Step HandOver(const Hold& h)
{
    if (h.lock != LockState::Held)
        return Step::Report;
    return h.shared && !h.person && AnyStays(h) ? Step::FlushHold : Step::Release;
}

Step AfterRecord(const Hold& h)
{
    return h.tried < h.count ? Step::Write : HandOver(h);
}

} // namespace

std::size_t PlanHold(Console console, std::size_t recordsInHand)
{
    return console != Console::Piped ? 0 : std::min(recordsInHand, kBatchMost);
}

// The whole policy, read in one switch, is longer than a step's function.
// NOLINTNEXTLINE(readability-function-size,readability-function-cognitive-complexity)
Step NextStep(const Hold& h)
{
    const Pending& r = h.records[h.tried > 0 ? h.tried - 1 : 0];
    // What was written is taken back only under the lock, where it starts
    // known: then no other station has appended after it. A record's part
    // left in the file would misalign every record after it.
    bool canCut = h.lock == LockState::Held && h.regular && r.at >= 0;
    bool part = r.stays > 0 && r.stays < kRecordSize;
    switch (h.done) {
    case Step::Begin:
        return h.lock == LockState::Free ? Step::TakeLock : AfterRecord(h);
    case Step::TakeLock:
        return h.lock == LockState::Busy ? Step::WaitLock : Step::Write;
    case Step::WaitLock:
        return Step::Write;
    case Step::Write:
        // Another run's part at the end: a record after it would be off
        // the grid, and so would every later one.
        if (r.offGrid)
            return Step::Stop;
        if (r.stays == kRecordSize)
            return h.person ? Step::FlushRecord : AfterRecord(h);
        return !part ? AfterRecord(h) : canCut ? Step::TakeBack : Step::Stop;
    case Step::FlushRecord:
        return r.flushFailed != kNoReason && canCut ? Step::TakeBack : AfterRecord(h);
    case Step::TakeBack:
        return part ? Step::Stop : AfterRecord(h);
    case Step::Stop:
        return HandOver(h);
    case Step::FlushHold:
        return h.flushFailed != kNoReason ? Step::TakeBackHold : Step::Release;
    case Step::TakeBackHold:
        return Step::Release;
    case Step::Release:
    case Step::Report:
        break;
    }
    return Step::Report;
}

namespace {

LockState LockStateOf(Reason why)
{
    if (why == kNoReason)
        return LockState::Held;
    return MeansLockBusy(why) ? LockState::Busy : MeansNoLocks(why) ? LockState::Absent : LockState::Failed;
}

// Says what the try of the lock gave, a failure once while it lasts and a
// wait at each hold of a person's, once a run with piped input. Returns 1
// for a failure said.
int SayLock(AgreedLock& lock, LockState now, Reason why, bool person, std::FILE* err)
{
    bool again = now == lock.last;
    lock.last = now == LockState::Busy ? lock.last : now;
    if (now == LockState::Busy && (person || !lock.waitSaid)) {
        PutMessage(err, kCaptureProgram, lock.nom, "waiting for another program's lock on the file");
        lock.waitSaid = true;
    } else if (now == LockState::Absent && !again) {
        PutMessage(err, kCaptureProgram, lock.nom,
            "the file system offers no lock; runs on other machines may overwrite records");
    } else if (now == LockState::Failed && !again) {
        PutMessage(err, kCaptureProgram, lock.nom, "cannot lock the file", DescribeReason(why));
        return 1;
    }
    return 0;
}

// Where the part of a record that ends the file starts, when the file's end
// is off its grid; -1 when a record written there starts on it.
long long PartBefore(const Hold& h, long long end)
{
    constexpr auto kRecord = static_cast<long long>(kRecordSize);
    if (!h.regular || h.grid < 0 || end < 0 || end % kRecord == h.grid)
        return -1;
    return end - ((end - h.grid) % kRecord + kRecord) % kRecord;
}

// The file's length under the lock, which a network file system's client
// may keep for a while (GlusterFS's, a second, which its lock does not
// end) from the middle of another station's write: while off the grid,
// asked again there; a part that does stay costs the wait.
long long LengthOnGrid(FileHandle file, long long grid)
{
    Reason why = kNoReason;
    long long length = FileLength(file, why);
    for (int waited = 0; grid >= 0 && length >= 0 && length % static_cast<long long>(kRecordSize) != grid &&
         waited < 1500 && IsSharedFile(file);
         waited += 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        length = FileLength(file, why);
    }
    return length;
}

// Writes the next record at the end of the file, unless that end is off
// the grid.
void WriteRecord(const AgreedLock& lock, Hold& h)
{
    Pending& r = h.records[h.tried++];
    Reason why = kNoReason;
    // Other stations may have appended while the lock was free; a device
    // has no length that the records add to, and is asked again.
    if (h.tried == 1 || !h.regular || h.end < 0)
        h.end = h.regular ? LengthOnGrid(lock.file, h.grid) : FileLength(lock.file, why);
    char bytes[kRecordSize];
    EncodeRecord(r.rec, bytes);
    r.at = h.end;
    r.flushFailed = kNoReason;
    r.takeBackFailed = kNoReason;
    r.partAt = PartBefore(h, h.end);
    r.offGrid = r.partAt >= 0;
    r.stays = r.offGrid ? 0 : WriteWhole(lock.file, bytes, sizeof bytes, r.writeFailed);
    h.end = h.end >= 0 ? h.end + static_cast<long long>(r.stays) : h.end;
}

// Cuts the file back to where records[first] starts, taking back it and
// every record of the hold after it.
void TakeBackFrom(const AgreedLock& lock, Hold& h, std::size_t first)
{
    Reason why = CutRecordFile(lock.file, h.records[first].at);
    for (std::size_t k = first; k < h.tried; ++k) {
        Pending& r = h.records[k];
        r.takeBackFailed = r.stays > 0 ? why : kNoReason;
        r.stays = why == kNoReason ? 0 : r.stays;
    }
    h.end = why == kNoReason ? h.records[first].at : h.end;
}

// A shared file's flush before the hand-over: each record that stays fails
// with it.
void FlushHold(const AgreedLock& lock, Hold& h)
{
    h.flushFailed = FlushRecordFile(lock.file);
    for (std::size_t k = 0; k < h.tried; ++k)
        if (h.records[k].stays > 0)
            h.records[k].flushFailed = h.flushFailed;
}

// Carries out one step but the lock's and the release's.
void CarryOut(const AgreedLock& lock, Hold& h, Step step)
{
    switch (step) {
    case Step::Write:
        WriteRecord(lock, h);
        break;
    case Step::FlushRecord:
        h.records[h.tried - 1].flushFailed = FlushRecordFile(lock.file);
        break;
    case Step::TakeBack:
        TakeBackFrom(lock, h, h.tried - 1);
        break;
    case Step::Stop:
        h.stopped = true;
        break;
    case Step::FlushHold:
        FlushHold(lock, h);
        break;
    case Step::TakeBackHold:
        TakeBackFrom(lock, h, 0);
        break;
    default:
        break;
    }
}

} // namespace

long long SettledLength(FileHandle file, const char* nom, std::FILE* err, int& failures)
{
    Reason why = kNoReason;
    long long length = FileLength(file, why);
    if (length < 0 || length % static_cast<long long>(kRecordSize) == 0)
        return length;
    // Off the grid: maybe another run's write in progress, which the
    // system may show a page at a time. Asked again under the lock, where
    // no write is; without a lock to be had, the first answer stands.
    if (LockRecordFile(file) != kNoReason)
        return length;
    long long settled = LengthOnGrid(file, 0);
    if (Reason released = UnlockRecordFile(file); released != kNoReason) {
        PutMessage(err, kCaptureProgram, nom, "cannot unlock the file", DescribeReason(released));
        ++failures;
    }
    return settled >= 0 ? settled : length;
}

AgreedLock StartAppends(FileHandle file, const char* nom, std::FILE* err, int& failures)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(file, why);
    long long length = regular ? SettledLength(file, nom, err, failures) : -1;
    long long grid = length >= 0 ? length % static_cast<long long>(kRecordSize) : -1;
    return AgreedLock{file, nom, regular, regular && IsSharedFile(file), grid, LockState::Free, false};
}

Hold StartHold(const AgreedLock& lock, Console console, Pending* records, std::size_t n)
{
    Hold h{};
    h.person = console != Console::Piped;
    h.shared = lock.shared;
    h.regular = lock.regular;
    h.lock = lock.regular ? LockState::Free : LockState::Absent;
    h.done = Step::Begin;
    h.records = records;
    h.count = n;
    h.end = -1;
    h.grid = lock.grid;
    return h;
}

namespace {

// Takes the lock, or waits for it, as the step has it; 1 for a failure said.
int TakeLockStep(AgreedLock& lock, Hold& h, Step step, std::FILE* err)
{
    Reason why =
        step == Step::TakeLock ? LockWithin(lock.file, false, kLockPatience) : LockRecordFile(lock.file);
    h.lock = LockStateOf(why);
    return SayLock(lock, h.lock, why, h.person, err);
}

// Releases the lock, said once it is free, as a message may wait on its
// reader; 1 for a failure said.
int ReleaseLock(const AgreedLock& lock, Hold& h, std::FILE* err)
{
    h.lock = LockState::Free;
    Reason why = UnlockRecordFile(lock.file);
    if (why != kNoReason)
        PutMessage(err, kCaptureProgram, lock.nom, "cannot unlock the file", DescribeReason(why));
    return why != kNoReason ? 1 : 0;
}

} // namespace

int AppendRecords(AgreedLock& lock, Hold& h, std::FILE* err)
{
    int failures = 0;
    for (Step step; (step = NextStep(h)) != Step::Report; h.done = step) {
        if (step == Step::TakeLock || step == Step::WaitLock) {
            failures += TakeLockStep(lock, h, step, err);
        } else if (step == Step::Release) {
            failures += ReleaseLock(lock, h, err);
        } else {
            // From the first write to the release, nothing ends the run.
            if (step == Step::Write && h.tried == 0)
                HoldInterrupts();
            CarryOut(lock, h, step);
        }
    }
    if (h.tried > 0)
        ReleaseInterrupts();
    h.done = Step::Report;
    return failures;
}
