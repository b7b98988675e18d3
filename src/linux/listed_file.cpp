// Reading a file on Linux.
#include "listed_file.h"
#include "posix_calls.h"

#include <unistd.h>

FileHandle OpenListedFile(const char* name, Reason& why)
{
    int fd = OpenRetrying(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    why = fd < 0 ? TakeReason() : kNoReason;
    return fd;
}

bool MeansNoSuchFile(Reason why)
{
    return why == ENOENT;
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why)
{
    ssize_t got = Retrying([&] { return read(static_cast<int>(file), buffer, n); });
    why = got < 0 ? TakeReason() : kNoReason;
    return got;
}

long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why)
{
    ssize_t got =
        Retrying([&] { return pread(static_cast<int>(file), buffer, n, static_cast<off_t>(offset)); });
    why = got < 0 ? TakeReason() : kNoReason;
    return got;
}

Reason SeekTo(FileHandle file, long long offset)
{
    off_t at = Retrying([&] { return lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET); });
    return at < 0 ? TakeReason() : kNoReason;
}
