#include "ecriture.h"

#include "command_line.h"
#include "console.h"
#include "messages.h"
#include "record.h"
#include "stdin_buffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr char kProgram[] = "ecriture";

// The agreed lock over the appends: taken by this run, free, or not to be
// had on this file (a pipe, or a file system without locks).
enum class LockState { Free, Held, Unavailable };

struct AgreedLock {
    LockState state;
    // A record was appended since the lock was taken.
    bool appended;
    // The file system's server has the records only once they are flushed.
    bool flushAtRelease;
    // Each wait for another's lock is said; else only the first.
    bool sayEachWait;
    bool waitSaid;
};

// Takes the lock if another gives it up within about milliseconds; a reason
// that MeansLockBusy when it did not. Short pauses at first: most holds last
// one record's write.
Reason LockWithin(FileHandle file, int milliseconds)
{
    for (int waited = 0, pause = 5;; waited += pause, pause = std::min(2 * pause, 80)) {
        Reason why = TryLockRecordFile(file);
        if (!MeansLockBusy(why) || waited >= milliseconds)
            return why;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

// Takes the lock unless held, saying so when another keeps it long. With a
// file system that has none, says so once and goes on without. True when
// it was taken just now.
bool TakeLock(FileHandle file, const char* nom, AgreedLock& lock, int& failures, std::FILE* err)
{
    if (lock.state != LockState::Free)
        return false;
    Reason why = LockWithin(file, kLockPatience);
    if (MeansLockBusy(why)) {
        if (lock.sayEachWait || !lock.waitSaid)
            PutMessage(err, kProgram, nom, "waiting for another program's lock on the file");
        lock.waitSaid = true;
        why = LockRecordFile(file);
    }
    lock.state = why == kNoReason ? LockState::Held : LockState::Unavailable;
    if (why != kNoReason && MeansNoLocks(why)) {
        PutMessage(err, kProgram, nom,
            "the file system offers no lock; runs on other machines may overwrite records");
    } else if (why != kNoReason) {
        PutMessage(err, kProgram, nom, "cannot lock the file", DescribeReason(why));
        ++failures;
    }
    return lock.state == LockState::Held;
}

// Hands the lock over, with the records appended under it flushed to the
// server first where the next station would not see them otherwise.
void ReleaseLock(FileHandle file, const char* nom, AgreedLock& lock, int& failures, std::FILE* err)
{
    if (lock.state != LockState::Held)
        return;
    Reason flushed = lock.appended && lock.flushAtRelease ? FlushRecordFile(file) : kNoReason;
    lock.state = LockState::Free;
    lock.appended = false;
    Reason unlocked = UnlockRecordFile(file);
    // Said once the lock is free: a message may wait on its reader.
    if (flushed != kNoReason)
        PutSystemError(err, kProgram, nom, flushed);
    if (unlocked != kNoReason)
        PutMessage(err, kProgram, nom, "cannot unlock the file", DescribeReason(unlocked));
    failures += (flushed != kNoReason ? 1 : 0) + (unlocked != kNoReason ? 1 : 0);
}

// What became of a record: how many of its bytes stay in the file, why not
// all, or why it was not flushed, and why its part could not be taken back.
struct Stored {
    std::size_t written;
    Reason why;
    Reason takeBack;
};

// Writes the record and flushes it when asked. Under the lock, with end the
// file's length, a write cut short is taken back.
Stored StoreRecord(FileHandle file, const Record& rec, long long end, bool flushEach)
{
    Stored stored{0, kNoReason, kNoReason};
    stored.written = WriteRecord(file, rec, stored.why);
    if (stored.written == sizeof rec && flushEach)
        stored.why = FlushRecordFile(file);
    if (stored.written > 0 && stored.written < sizeof rec && end >= 0) {
        stored.takeBack = CutRecordFile(file, end);
        stored.written = stored.takeBack == kNoReason ? 0 : stored.written;
    }
    return stored;
}

// Reports how many bytes of the record stay in the file, after what went
// wrong. 1 when the record is not safely stored, else 0.
int ReportStored(const Stored& stored, const char* nom, std::FILE* err)
{
    if (stored.why != kNoReason)
        PutSystemError(err, kProgram, nom, stored.why);
    if (stored.takeBack != kNoReason)
        PutMessage(err, kProgram, nom, "cannot take back the part of the record written",
            DescribeReason(stored.takeBack));
    // The usual report goes out as it stands: formatting it for every
    // record would cost more than the rest of the loop's own work.
    if (stored.written == kRecordSize)
        PutLiteral(err, "88 Bytes écrits\n");
    else
        PutNumberLine(err, "", static_cast<long long>(stored.written), " Bytes écrits\n");
    return stored.why != kNoReason ? 1 : 0;
}

// Says so when the file ends in part of a record: the records added do not
// start at a multiple of 88.
void CheckAlignment(FileHandle file, const char* nom, std::FILE* err)
{
    long long length = IsRegularFile(file) ? QueryPosition(file) : 0;
    if (length <= 0 || length % static_cast<long long>(kRecordSize) == 0)
        return;
    char what[160];
    std::snprintf(what, sizeof what,
        "ends in part of a record (%lld bytes); the records added start at byte %lld, which lecture --offset "
        "%lld "
        "reads",
        length, length, length);
    PutMessage(err, kProgram, nom, what);
}

} // namespace

Console ChooseConsole()
{
    if (!IsConsoleInput())
        return Console::Piped;
    return StartLineEditing() ? Console::Edited : Console::Terminal;
}

const char* AskFileName(
    char (&nom)[kNameSize], Reason& refused, Console console, std::FILE* in, std::FILE* out)
{
    bool tooLong = false;
    ReadName("Le nom de fichier à creer :)", nom, sizeof nom, tooLong, console, in, out);
    UnquoteTypedName(nom);
    refused = tooLong ? kNameTooLong : kNoReason;
    return nom;
}

FileHandle OpenNamedFile(const char* nom, Reason refused, int& failures, std::FILE* err)
{
    bool created = false;
    Reason why = refused;
    FileHandle file = kNoFile;
    if (*nom == '\0')
        PutMessage(err, kProgram, nullptr, "empty file name");
    else if (why == kNoReason)
        file = OpenRecordFile(nom, created, why);
    if (file == kNoFile) {
        if (why != kNoReason)
            PutSystemError(err, kProgram, nom, why);
        PutLiteral(err, "Echec Ouverture\n");
        return kNoFile;
    }
    // The dialogue or the reports would be written over the records.
    if (int stream = StandardStreamOf(file); stream != 0) {
        PutMessage(err, kProgram, nom, stream == 1 ? "is standard output" : "is standard error");
        (void)CloseFile(file);
        PutLiteral(err, "Echec Ouverture\n");
        return kNoFile;
    }
    PutLiteral(err, "Ouverture reussie \n");
    CheckAlignment(file, nom, err);
    char dir[kDirectorySize];
    if (created && (why = FlushNewName(nom, dir)) != kNoReason) {
        PutMessage(err, kProgram, dir, "cannot flush the directory", DescribeReason(why));
        ++failures;
    }
    return file;
}

std::size_t WriteRecord(FileHandle file, const Record& rec, Reason& why)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return WriteWhole(file, bytes, sizeof bytes, why);
}

bool KeepsLock(const LockView& view, std::size_t linesInHand, std::size_t reads)
{
    return view.console == Console::Piped && !view.outputMayWait && linesInHand >= reads;
}

int CaptureRecords(
    FileHandle file, const char* nom, Console console, std::FILE* in, std::FILE* out, std::FILE* err)
{
    // A person is told "écrits" only once the record is on disk; piped input
    // is flushed once, at the close, to keep its pace, or on a shared file
    // system before each hand-over.
    bool flushEach = console != Console::Piped;
    // Not cleared between records: a shorter text leaves the tail of a longer one.
    Record rec{};
    int failures = 0;
    LockView view{console, MayWait(out) || MayWait(err)};
    AgreedLock lock{IsRegularFile(file) ? LockState::Free : LockState::Unavailable, false,
        !flushEach && IsSharedFile(file), console != Console::Piped, false};
    for (int answer = 'y'; answer == 'Y' || answer == 'y';) {
        // Counted once: the answer's line is in hand too when the record's are.
        std::size_t inHand = BufferedLines(in, kReadsOfRecord + kReadsOfAnswer);
        // The position is the file's length under the lock when it is kept
        // through the record; else as the system knows it now.
        if (KeepsLock(view, inHand, kReadsOfRecord))
            TakeLock(file, nom, lock, failures, err);
        else
            ReleaseLock(file, nom, lock, failures, err);
        long long end = QueryPosition(file);
        PutNumberLine(out, "Position actuelle dans le fichier ", end, "\n");
        if (!SaiSieRecord(rec, console, in, out, err))
            break;
        // Other stations may have appended while the lock was free.
        if (TakeLock(file, nom, lock, failures, err))
            end = QueryPosition(file);
        Stored stored = StoreRecord(file, rec, lock.state == LockState::Held ? end : -1, flushEach);
        lock.appended = lock.appended || stored.written > 0;
        inHand = inHand > kReadsOfRecord ? inHand - kReadsOfRecord : BufferedLines(in, kReadsOfAnswer);
        if (!KeepsLock(view, inHand, kReadsOfAnswer))
            ReleaseLock(file, nom, lock, failures, err);
        failures += ReportStored(stored, nom, err);
        answer = ReadChar("Encoder un autre (Y/N) ?)", console, in, out);
    }
    ReleaseLock(file, nom, lock, failures, err);
    return failures;
}

bool CloseRecordFile(FileHandle file, const char* nom, std::FILE* err)
{
    Reason why = FlushRecordFile(file);
    if (why != kNoReason)
        PutSystemError(err, kProgram, nom, why);
    Reason closed = CloseFile(file);
    if (closed != kNoReason)
        PutSystemError(err, kProgram, nom, closed);
    return why == kNoReason && closed == kNoReason;
}

bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err)
{
    bool ok = true;
    if (std::ferror(in) != 0) {
        Reason why = TakeReadReason(in);
        PutMessage(err, kProgram, nullptr, "read error on standard input",
            why != kNoReason ? DescribeReason(why) : nullptr);
        ok = false;
    }
    ok = CheckOutput(out, err, kProgram) && ok;
    // A lost report is told on the stream that lost it: the failure may
    // have been passing.
    if (std::ferror(err) != 0) {
        std::clearerr(err);
        PutMessage(err, kProgram, nullptr, "write error on standard error");
        ok = false;
    }
    return ok;
}
