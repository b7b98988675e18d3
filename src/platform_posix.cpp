// The platform calls on POSIX systems.
#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// The lock or unlock of the one byte that appends are agreed on.
struct flock AgreedByte(short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kAppendLockOffset;
    lock.l_len = 1;
    return lock;
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
    // flushed, from an existing one. A dangling link refuses it, and the
    // second open creates the file it points to.
    int fd = OpenRetrying(nom, kFlags | O_EXCL);
    created = fd >= 0;
    struct stat target;
    if (fd < 0 && errno == EEXIST) {
        created = stat(nom, &target) != 0 && errno == ENOENT;
        fd = OpenRetrying(nom, kFlags);
    }
    return fd;
}

bool FlushNewName(const char* nom, char (&dir)[kDirectorySize])
{
    // A name made through a link is in the directory of the link's target.
    char target[PATH_MAX];
    struct stat link;
    if (lstat(nom, &link) == 0 && S_ISLNK(link.st_mode) && realpath(nom, target) != nullptr)
        nom = target;
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
    // A pipe or a terminal cannot seek: the -1 it gives is shown, not an error.
    return SeekRetrying(static_cast<int>(file), SEEK_END);
}

LockResult LockRecordFile(FileHandle file)
{
    struct flock lock = AgreedByte(F_WRLCK);
    int done;
    do
        done = fcntl(static_cast<int>(file), F_SETLKW, &lock);
    while (done != 0 && errno == EINTR);
    if (done == 0)
        return LockResult::Locked;
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOTSUP ? LockResult::Unsupported
                                                                      : LockResult::Failed;
}

bool UnlockRecordFile(FileHandle file)
{
    struct flock lock = AgreedByte(F_UNLCK);
    return fcntl(static_cast<int>(file), F_SETLK, &lock) == 0;
}

bool CutRecordFile(FileHandle file, long long length)
{
    int done;
    do
        done = ftruncate(static_cast<int>(file), static_cast<off_t>(length));
    while (done != 0 && errno == EINTR);
    return done == 0;
}

bool IsRegularFile(FileHandle file)
{
    struct stat st;
    return fstat(static_cast<int>(file), &st) == 0 && S_ISREG(st.st_mode);
}

int StandardStreamOf(FileHandle file)
{
    struct stat record;
    struct stat stream;
    if (fstat(static_cast<int>(file), &record) != 0 || !S_ISREG(record.st_mode))
        return 0;
    for (int fd = STDOUT_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fstat(fd, &stream) == 0 && stream.st_dev == record.st_dev && stream.st_ino == record.st_ino)
            return fd;
    return 0;
}

#if !defined(__GLIBC__)
std::size_t BufferedInput(std::FILE* /*in*/)
{
    return 0;
}
#endif

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
