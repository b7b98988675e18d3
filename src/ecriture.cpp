#include "ecriture.h"

#include "messages.h"
#include "record.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char kProgram[] = "ecriture";

// The system's reason why reading the console failed, found by reading it
// once more: a lasting cause (a directory, a device error) fails again.
const char* DescribeReadError(std::FILE* in)
{
    std::clearerr(in);
    if (std::getc(in) == EOF && std::ferror(in) != 0)
        return std::strerror(errno);
    return nullptr;
}

// The agreed lock over the appends: taken by this run, free, or not to be
// had on this file (a pipe, or a file system without locks).
enum class LockState { Free, Held, Unavailable };

// Takes the lock unless held. With a file system that has none, says so
// once and goes on without. True when it was taken just now.
bool TakeLock(FileHandle file, const char* nom, LockState& lock, int& failures, std::FILE* err)
{
    if (lock != LockState::Free)
        return false;
    LockResult taken = LockRecordFile(file);
    lock = taken == LockResult::Locked ? LockState::Held : LockState::Unavailable;
    if (taken == LockResult::Unsupported)
        PutMessage(err, kProgram, nom,
            "the file system offers no lock; runs on other machines may overwrite records");
    if (taken == LockResult::Failed) {
        PutMessage(err, kProgram, nom, "cannot lock the file", DescribeLastError());
        ++failures;
    }
    return lock == LockState::Held;
}

void ReleaseLock(FileHandle file, const char* nom, LockState& lock, int& failures, std::FILE* err)
{
    if (lock != LockState::Held)
        return;
    lock = LockState::Free;
    if (!UnlockRecordFile(file)) {
        PutMessage(err, kProgram, nom, "cannot unlock the file", DescribeLastError());
        ++failures;
    }
}

// Takes back the part of a record that a failed write left after end, the
// file's length before it; true when nothing of it stays.
bool TakeBack(FileHandle file, const char* nom, long long end, std::FILE* err)
{
    if (CutRecordFile(file, end))
        return true;
    PutMessage(err, kProgram, nom, "cannot take back the part of the record written", DescribeLastError());
    return false;
}

// Writes the record, flushes it when asked, and reports how many bytes of it
// stay in the file. Under the lock, with end the file's length, a write cut
// short is taken back. 1 when the record is not safely stored, else 0.
int StoreRecord(
    FileHandle file, const char* nom, const Record& rec, long long end, bool flushEach, std::FILE* err)
{
    std::size_t written = WriteRecord(file, rec);
    bool stored = written == sizeof rec;
    if (!stored || (flushEach && !FlushRecordFile(file))) {
        PutSystemError(err, kProgram, nom);
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

const char* AskFileName(char (&nom)[kLineSize], Console console, std::FILE* in, std::FILE* out)
{
    ReadTextLine("Le nom de fichier à creer :)", nom, console, in, out);
    return nom;
}

FileHandle OpenNamedFile(const char* nom, int& failures, std::FILE* err)
{
    bool created = false;
    FileHandle file = OpenRecordFile(nom, created);
    if (file == kNoFile) {
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
    if (created && !FlushNewName(nom, dir)) {
        PutMessage(err, kProgram, dir, "cannot flush the directory", DescribeLastError());
        ++failures;
    }
    return file;
}

std::size_t WriteRecord(FileHandle file, const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return WriteWhole(file, bytes, sizeof bytes);
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
        // The lock is never held through a read that could wait: piped input
        // keeps it while its buffer holds the lines to come, each read taking
        // one line or kLineSize - 1 bytes. A person's input is never in hand.
        std::size_t inHand = console == Console::Piped ? BufferedInput(in) : 0;
        if (lock == LockState::Free)
            TakeLock(file, nom, lock, failures, err);
        long long end = QueryPosition(file);
        PutNumberLine(out, "Position actuelle dans le fichier ", end, "\n");
        if (inHand < 3 * kLineSize)
            ReleaseLock(file, nom, lock, failures, err);
        if (!SaiSieRecord(rec, console, in, out))
            break;
        // Other stations may have appended while the lock was free.
        if (lock == LockState::Free && TakeLock(file, nom, lock, failures, err))
            end = QueryPosition(file);
        failures += StoreRecord(file, nom, rec, lock == LockState::Held ? end : -1, flushEach, err);
        if (inHand < 4 * kLineSize && (console != Console::Piped || BufferedInput(in) < kLineSize))
            ReleaseLock(file, nom, lock, failures, err);
        answer = ReadChar("Encoder un autre (Y/N) ?)", console, in, out);
    }
    ReleaseLock(file, nom, lock, failures, err);
    return failures;
}

bool CloseRecordFile(FileHandle file, const char* nom, std::FILE* err)
{
    bool ok = FlushRecordFile(file);
    if (!ok)
        PutSystemError(err, kProgram, nom);
    if (!CloseFile(file)) {
        PutSystemError(err, kProgram, nom);
        ok = false;
    }
    return ok;
}

bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err)
{
    bool ok = true;
    if (std::ferror(in) != 0) {
        PutMessage(err, kProgram, nullptr, "read error on standard input", DescribeReadError(in));
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
