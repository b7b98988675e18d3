// The platform calls on POSIX systems.
#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int OpenRetrying(const char* name, int flags)
{
    int fd;
    do
        fd = open(name, flags, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// A pipe, a terminal or a device answers EINVAL: it has nothing to flush.
bool SyncRetrying(int fd, bool dataOnly)
{
    int done;
    do
        done = dataOnly ? fdatasync(fd) : fsync(fd);
    while (done != 0 && errno == EINTR);
    return done == 0 || errno == EINVAL;
}

off_t SeekRetrying(int fd, int whence)
{
    off_t at;
    do
        at = lseek(fd, 0, whence);
    while (at < 0 && errno == EINTR);
    return at;
}

} // namespace

bool PrepareStandardStreams(bool failClosedOutput)
{
    // A closed standard descriptor would be handed to the record file, and the
    // dialogue written to it would corrupt the records.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        int mode = fd == STDOUT_FILENO && failClosedOutput ? O_RDONLY : O_RDWR;
        if (fcntl(fd, F_GETFD) < 0 && (errno != EBADF || open("/dev/null", mode) != fd))
            return false;
    }
    return true;
}

char** GetArguments(int& /*argc*/, char** argv)
{
    return argv;
}

bool IsHelpRequest(const char* /*arg*/)
{
    return false;
}

bool PrepareListingOutput(std::FILE* /*out*/)
{
    return true;
}

void PutLineEnd(std::FILE* out)
{
    PutByte('\n', out);
}

FileHandle OpenRecordFile(const char* nom, bool& created)
{
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_CREAT;
    // Creating exclusively first tells a new file, whose name must be
    // flushed, from an existing one.
    int fd = OpenRetrying(nom, kFlags | O_EXCL);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST)
        fd = OpenRetrying(nom, kFlags);
    // The first position report must show the existing length. A pipe or a
    // terminal cannot seek; its reports show -1, so the failure is not an error.
    if (fd >= 0)
        (void)SeekRetrying(fd, SEEK_END);
    return fd;
}

bool FlushNewName(const char* nom, char (&dir)[kDirectorySize])
{
    const char* slash = std::strrchr(nom, '/');
    std::size_t n = slash == nullptr ? 1 : slash == nom ? 1 : static_cast<std::size_t>(slash - nom);
    if (n >= sizeof dir) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(dir, slash == nullptr ? "." : nom, n);
    dir[n] = '\0';
    int fd = OpenRetrying(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool flushed = SyncRetrying(fd, false);
    int reason = errno;
    // Read only: its close has nothing to lose.
    (void)close(fd);
    errno = reason;
    return flushed;
}

bool FlushRecordFile(FileHandle file)
{
    return SyncRetrying(static_cast<int>(file), true);
}

long long QueryPosition(FileHandle file)
{
    return SeekRetrying(static_cast<int>(file), SEEK_CUR);
}

std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        ssize_t wrote = write(static_cast<int>(file), bytes + done, n - done);
        if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
        else if (wrote < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return done;
}

FileHandle OpenListedFile(const char* name)
{
    return OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
}

FileHandle StandardInput()
{
    return STDIN_FILENO;
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n)
{
    ssize_t got;
    do
        got = read(static_cast<int>(file), buffer, n);
    while (got < 0 && errno == EINTR);
    return got;
}

bool CloseFile(FileHandle file)
{
    // Linux frees the descriptor even when the close is interrupted, so it is
    // not retried; the data were flushed before, where it mattered.
    return close(static_cast<int>(file)) == 0 || errno == EINTR;
}

bool IsConsoleInput()
{
    return isatty(STDIN_FILENO) != 0;
}

int GetByteAfterEof(std::FILE* in)
{
    // The C library takes nothing from an interrupted read: reading on is exact.
    int c = EOF;
    while (c == EOF && std::ferror(in) != 0 && errno == EINTR) {
        std::clearerr(in);
        c = std::getc(in);
    }
    return c;
}

const char* DescribeLastError()
{
    return std::strerror(errno);
}

#if !ECRITURE_UNLOCKED_STDIO
int GetByte(std::FILE* in)
{
    int c = std::getc(in);
    return c != EOF ? c : GetByteAfterEof(in);
}

void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    std::fwrite(bytes, 1, n, out);
}
#endif
