// The record file on Linux.
#include "record_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <termios.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "64-bit file offsets on every build: the lock's byte is at 2^40");

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
Reason SyncRetrying(int fd, bool dataOnly)
{
    int done;
    do
        done = dataOnly ? fdatasync(fd) : fsync(fd);
    while (done != 0 && errno == EINTR);
    return done == 0 || errno == EINVAL ? kNoReason : TakeReason();
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

// Takes the agreed byte with the command given: waiting or not.
Reason TakeAgreedByte(FileHandle file, int command)
{
    struct flock lock = AgreedByte(F_WRLCK);
    int done;
    do
        done = fcntl(static_cast<int>(file), command, &lock);
    while (done != 0 && errno == EINTR);
    return done == 0 ? kNoReason : TakeReason();
}

// The directory that holds the name, into dir; false when it does not fit.
bool NameDirectory(const char* nom, char (&dir)[kDirectorySize])
{
    const char* slash = std::strrchr(nom, '/');
    std::size_t n = slash == nullptr ? 1 : slash == nom ? 1 : static_cast<std::size_t>(slash - nom);
    if (n >= sizeof dir)
        return false;
    std::memcpy(dir, slash == nullptr ? "." : nom, n);
    dir[n] = '\0';
    return true;
}

} // namespace

const Reason kNameTooLong = ENAMETOOLONG;

FileHandle OpenRecordFile(const char* nom, bool& created, Reason& why)
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
    why = fd < 0 ? TakeReason() : kNoReason;
    return fd;
}

Reason FlushNewName(const char* nom, char (&dir)[kDirectorySize])
{
    // A name made through a link is in the directory of the link's target.
    char target[PATH_MAX];
    struct stat link;
    if (lstat(nom, &link) == 0 && S_ISLNK(link.st_mode) && realpath(nom, target) != nullptr)
        nom = target;
    if (!NameDirectory(nom, dir))
        return ENAMETOOLONG;
    int fd = OpenRetrying(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return TakeReason();
    Reason why = SyncRetrying(fd, false);
    // Read only: its close has nothing to lose.
    (void)close(fd);
    return why;
}

Reason FlushRecordFile(FileHandle file)
{
    return SyncRetrying(static_cast<int>(file), true);
}

long long FileLength(FileHandle file, Reason& why)
{
    struct stat st;
    why = kNoReason;
    if (fstat(static_cast<int>(file), &st) != 0) {
        why = TakeReason();
        return -1;
    }
    if (S_ISREG(st.st_mode))
        return st.st_size;
    // A device such as /dev/null has a length of 0; a pipe or a terminal has
    // none, and the -1 it gives is shown, not an error.
    return lseek(static_cast<int>(file), 0, SEEK_END);
}

Reason LockRecordFile(FileHandle file)
{
    return TakeAgreedByte(file, F_SETLKW);
}

Reason TryLockRecordFile(FileHandle file)
{
    return TakeAgreedByte(file, F_SETLK);
}

bool MeansLockBusy(Reason why)
{
    return why == EAGAIN || why == EACCES;
}

bool IsSharedFile(FileHandle file)
{
    // The file systems whose clients keep what they wrote until a flush.
    constexpr unsigned long kCifs = 0xff534d42;
    constexpr unsigned long kSmb2 = 0xfe534d42;
    constexpr unsigned long kFuse = 0x65735546;
    constexpr unsigned long kCeph = 0x00c36400;
    constexpr unsigned long kAfs = 0x5346414f;
    constexpr unsigned long kNineP = 0x01021997;
    struct statfs fs;
    if (fstatfs(static_cast<int>(file), &fs) != 0)
        return false;
    auto type = static_cast<unsigned long>(fs.f_type);
    return type == NFS_SUPER_MAGIC || type == SMB_SUPER_MAGIC || type == kCifs || type == kSmb2 ||
        type == kFuse || type == kCeph || type == kAfs || type == kNineP || type == CODA_SUPER_MAGIC;
}

void PrepareRecordWrites()
{
    // A file size limit would kill the run with SIGXFSZ in the middle of a
    // record; ignored, the write fails with EFBIG, and the part that fit is
    // taken back. A reader that goes away would kill it with SIGPIPE before
    // the records are flushed; ignored, the write fails with EPIPE.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    (void)std::signal(SIGPIPE, SIG_IGN);
}

bool MeansNoLocks(Reason why)
{
    return why == ENOLCK || why == EOPNOTSUPP || why == ENOTSUP;
}

Reason UnlockRecordFile(FileHandle file)
{
    struct flock lock = AgreedByte(F_UNLCK);
    return fcntl(static_cast<int>(file), F_SETLK, &lock) == 0 ? kNoReason : TakeReason();
}

Reason CutRecordFile(FileHandle file, long long length)
{
    int done;
    do
        done = ftruncate(static_cast<int>(file), static_cast<off_t>(length));
    while (done != 0 && errno == EINTR);
    return done == 0 ? kNoReason : TakeReason();
}

bool IsRegularFile(FileHandle file, Reason& why)
{
    struct stat st;
    bool known = fstat(static_cast<int>(file), &st) == 0;
    why = known ? kNoReason : TakeReason();
    return known && S_ISREG(st.st_mode);
}

Dialogue DialogueOf(FileHandle file)
{
    static const Dialogue kStreams[] = {Dialogue::Input, Dialogue::Output, Dialogue::Error};
    int fd = static_cast<int>(file);
    bool terminal = isatty(fd) != 0;
    struct stat record;
    struct stat stream;
    // A device that all may share, such as /dev/null, takes what it is given.
    if (fstat(fd, &record) != 0 ||
        !(S_ISREG(record.st_mode) || S_ISFIFO(record.st_mode) || S_ISSOCK(record.st_mode) || terminal))
        return Dialogue::None;
    // The stream's own first: the output's and the error's, then the input's.
    for (int k : {STDOUT_FILENO, STDERR_FILENO, STDIN_FILENO}) {
        bool same = fstat(k, &stream) == 0 &&
            (terminal ? S_ISCHR(stream.st_mode) && stream.st_rdev == record.st_rdev
                      : stream.st_dev == record.st_dev && stream.st_ino == record.st_ino);
        if (same)
            return kStreams[k];
    }
    // The run's controlling terminal, by any name: /dev/tty's own device
    // (5, 0) always stands for it; another is its session's.
    bool controlling =
        (major(record.st_rdev) == 5 && minor(record.st_rdev) == 0) || tcgetsid(fd) == getsid(0);
    return terminal && controlling ? Dialogue::Terminal : Dialogue::None;
}

std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n, Reason& why)
{
    std::size_t done = 0;
    why = kNoReason;
    while (done < n) {
        ssize_t wrote = write(static_cast<int>(file), bytes + done, n - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else if (wrote < 0 && errno == EINTR) {
            continue;
        } else {
            // A write that takes nothing without an error would take nothing again.
            why = wrote < 0 ? TakeReason() : EIO;
            break;
        }
    }
    return done;
}

FileHandle OpenListedFile(const char* name, Reason& why)
{
    int fd = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    why = fd < 0 ? TakeReason() : kNoReason;
    return fd;
}

FileHandle StandardInput()
{
    return STDIN_FILENO;
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why)
{
    ssize_t got;
    do
        got = read(static_cast<int>(file), buffer, n);
    while (got < 0 && errno == EINTR);
    why = got < 0 ? TakeReason() : kNoReason;
    return got;
}

long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why)
{
    ssize_t got;
    do
        got = pread(static_cast<int>(file), buffer, n, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    why = got < 0 ? TakeReason() : kNoReason;
    return got;
}

Reason SeekTo(FileHandle file, long long offset)
{
    return lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) < 0 ? TakeReason() : kNoReason;
}

bool MeansNoSuchFile(Reason why)
{
    return why == ENOENT;
}

Reason CloseFile(FileHandle file)
{
    // Linux frees the descriptor even when the close is interrupted, so it is
    // not retried; the data were flushed before, where it mattered.
    return close(static_cast<int>(file)) == 0 || errno == EINTR ? kNoReason : TakeReason();
}
