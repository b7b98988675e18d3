// The record file on Linux.
#include "record_file.h"
#include "posix_calls.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "64-bit file offsets on every build: the lock's byte is at 2^40");

namespace {

// A pipe, a terminal or a device answers EINVAL: it has nothing to flush.
Reason SyncRetrying(int fd, bool dataOnly)
{
    int done = Retrying([&] { return dataOnly ? fdatasync(fd) : fsync(fd); });
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

// Takes or releases the agreed byte with the command given: waiting or not.
Reason SetAgreedByte(FileHandle file, int command, short type)
{
    struct flock lock = AgreedByte(type);
    int done = Retrying([&] { return fcntl(static_cast<int>(file), command, &lock); });
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
    return SetAgreedByte(file, F_SETLKW, F_WRLCK);
}

Reason TryLockRecordFile(FileHandle file)
{
    return SetAgreedByte(file, F_SETLK, F_WRLCK);
}

Reason ShareRecordFile(FileHandle file)
{
    return SetAgreedByte(file, F_SETLKW, F_RDLCK);
}

Reason TryShareRecordFile(FileHandle file)
{
    return SetAgreedByte(file, F_SETLK, F_RDLCK);
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

bool MeansNoLocks(Reason why)
{
    return why == ENOLCK || why == EOPNOTSUPP || why == ENOTSUP;
}

Reason UnlockRecordFile(FileHandle file)
{
    return SetAgreedByte(file, F_SETLK, F_UNLCK);
}

Reason CutRecordFile(FileHandle file, long long length)
{
    int done = Retrying([&] { return ftruncate(static_cast<int>(file), static_cast<off_t>(length)); });
    return done == 0 ? kNoReason : TakeReason();
}

std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n, Reason& why)
{
    std::size_t done = 0;
    why = kNoReason;
    while (done < n) {
        ssize_t wrote = Retrying([&] { return write(static_cast<int>(file), bytes + done, n - done); });
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else {
            // A write that takes nothing without an error would take nothing again.
            why = wrote < 0 ? TakeReason() : EIO;
            break;
        }
    }
    return done;
}
