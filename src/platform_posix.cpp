// The platform calls on POSIX systems.
#include "platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool PrepareStandardStreams()
{
    // A closed standard descriptor would be handed to the record file, and the
    // dialogue written to it would corrupt the records.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && (errno != EBADF || open("/dev/null", O_RDWR) != fd))
            return false;
    return true;
}

FileHandle OpenRecordFile(const char* nom)
{
    int fd = open(nom, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
    // The first position report must show the existing length. A pipe or a
    // terminal cannot seek; its reports show -1, so the failure is not an error.
    if (fd >= 0)
        (void)lseek(fd, 0, SEEK_END);
    return fd;
}

long long QueryPosition(FileHandle file)
{
    return lseek(static_cast<int>(file), 0, SEEK_CUR);
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
    return open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
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
    return close(static_cast<int>(file)) == 0;
}

const char* DescribeLastError()
{
    return std::strerror(errno);
}

#if !ECRITURE_UNLOCKED_STDIO
int GetByte(std::FILE* in)
{
    return std::getc(in);
}

void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    std::fwrite(bytes, 1, n, out);
}
#endif
