#include "ecriture.h"

#include "command_line.h"
#include "console.h"
#include "messages.h"
#include "record.h"
#include "stdin_buffer.h"

#include <cstring>

namespace {

constexpr char kProgram[] = "ecriture";

// The agreed lock over the appends: taken by this run, free, or not to be
// had on this file (a pipe, or a file system without locks).
enum class LockState { Free, Held, Unavailable };

// Takes the lock unless held. With a file system that has none, says so
// once and goes on without. True when it was taken just now.
bool TakeLock(FileHandle file, const char* nom, LockState& lock, int& failures, std::FILE* err)
{
    if (lock != LockState::Free)
        return false;
    Reason why = LockRecordFile(file);
    lock = why == kNoReason ? LockState::Held : LockState::Unavailable;
    if (why != kNoReason && MeansNoLocks(why)) {
        PutMessage(err, kProgram, nom,
            "the file system offers no lock; runs on other machines may overwrite records");
    } else if (why != kNoReason) {
        PutMessage(err, kProgram, nom, "cannot lock the file", DescribeReason(why));
        ++failures;
    }
    return lock == LockState::Held;
}

void ReleaseLock(FileHandle file, const char* nom, LockState& lock, int& failures, std::FILE* err)
{
    if (lock != LockState::Held)
        return;
    lock = LockState::Free;
    if (Reason why = UnlockRecordFile(file); why != kNoReason) {
        PutMessage(err, kProgram, nom, "cannot unlock the file", DescribeReason(why));
        ++failures;
    }
}

// Takes back the part of a record that a failed write left after end, the
// file's length before it; true when nothing of it stays.
bool TakeBack(FileHandle file, const char* nom, long long end, std::FILE* err)
{
    Reason why = CutRecordFile(file, end);
    if (why == kNoReason)
        return true;
    PutMessage(err, kProgram, nom, "cannot take back the part of the record written", DescribeReason(why));
    return false;
}

// Writes the record, flushes it when asked, and reports how many bytes of it
// stay in the file. Under the lock, with end the file's length, a write cut
// short is taken back. 1 when the record is not safely stored, else 0.
int StoreRecord(
    FileHandle file, const char* nom, const Record& rec, long long end, bool flushEach, std::FILE* err)
{
    Reason why = kNoReason;
    std::size_t written = WriteRecord(file, rec, why);
    bool stored = written == sizeof rec;
    if (stored && flushEach)
        why = FlushRecordFile(file);
    if (why != kNoReason) {
        PutSystemError(err, kProgram, nom, why);
        if (written > 0 && !stored && end >= 0 && TakeBack(file, nom, end, err))
            written = 0;
        stored = false;
    }
    // The usual report goes out as it stands: formatting it for every
    // record would cost more than the rest of the loop's own work.
    if (written == sizeof rec)
        PutLiteral(err, "88 Bytes écrits\n");
    else
        PutNumberLine(err, "", static_cast<long long>(written), " Bytes écrits\n");
    return stored ? 0 : 1;
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

bool KeepsLock(Console console, std::size_t inHand, std::size_t reads)
{
    return console == Console::Piped && inHand >= reads * kMostTakenByRead;
}

int CaptureRecords(
    FileHandle file, const char* nom, Console console, std::FILE* in, std::FILE* out, std::FILE* err)
{
    // A person is told "écrits" only once the record is on disk; piped input
    // is flushed once, at the close, to keep its pace.
    bool flushEach = console != Console::Piped;
    // Not cleared between records: a shorter text leaves the tail of a longer one.
    Record rec{};
    int failures = 0;
    LockState lock = IsRegularFile(file) ? LockState::Free : LockState::Unavailable;
    int answer = 'y';
    while (answer == 'Y' || answer == 'y') {
        TakeLock(file, nom, lock, failures, err);
        long long end = QueryPosition(file);
        PutNumberLine(out, "Position actuelle dans le fichier ", end, "\n");
        if (!KeepsLock(console, BufferedInput(in), kReadsOfRecord))
            ReleaseLock(file, nom, lock, failures, err);
        if (!SaiSieRecord(rec, console, in, out, err))
            break;
        // Other stations may have appended while the lock was free.
        if (TakeLock(file, nom, lock, failures, err))
            end = QueryPosition(file);
        failures += StoreRecord(file, nom, rec, lock == LockState::Held ? end : -1, flushEach, err);
        if (!KeepsLock(console, BufferedInput(in), kReadsOfAnswer))
            ReleaseLock(file, nom, lock, failures, err);
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
