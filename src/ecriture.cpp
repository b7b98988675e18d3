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

// Writes the record, flushes it when asked, and reports how many bytes the
// write took. 1 when the record is not safely stored, else 0.
int StoreRecord(FileHandle file, const char* nom, const Record& rec, bool flushEach, std::FILE* err)
{
    std::size_t written = WriteRecord(file, rec);
    bool stored = written == sizeof rec;
    if (!stored || (flushEach && !FlushRecordFile(file))) {
        PutSystemError(err, kProgram, nom);
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
    PutLiteral(err, "Ouverture reussie \n");
    char dir[kDirectorySize];
    if (created && !FlushNewName(nom, dir)) {
        PutMessage(err, kProgram, dir, "cannot flush the directory", DescribeLastError());
        ++failures;
    }
    return file;
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
    int answer = 'y';
    while (answer == 'Y' || answer == 'y') {
        PutNumberLine(out, "Position actuelle dans le fichier ", QueryPosition(file), "\n");
        if (!SaiSieRecord(rec, console, in, out))
            break;
        failures += StoreRecord(file, nom, rec, flushEach, err);
        answer = ReadChar("Encoder un autre (Y/N) ?)", console, in, out);
    }
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
