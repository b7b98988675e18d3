// The standard streams on POSIX systems.
#include "console.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PrepareStandardStreams()
{
    // A closed standard descriptor would be handed to the record file, and the
    // dialogue written to it would corrupt the records.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        int mode = fd == STDIN_FILENO ? O_RDWR : O_RDONLY;
        if (fcntl(fd, F_GETFD) < 0 && (errno != EBADF || open("/dev/null", mode) != fd))
            return false;
    }
    return true;
}

bool IsConsoleInput()
{
    return isatty(STDIN_FILENO) != 0;
}

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}

bool MayWait(std::FILE* stream)
{
    struct stat st;
    int fd = fileno(stream);
    if (fd < 0 || fstat(fd, &st) != 0)
        return true;
    return !(S_ISREG(st.st_mode) || (S_ISCHR(st.st_mode) && isatty(fd) == 0));
}

Reason PrepareListingOutput(std::FILE* /*out*/)
{
    return kNoReason;
}

void PutLineEnd(std::FILE* out)
{
    PutByte('\n', out);
}

Reason TakeReadReason(std::FILE* in)
{
    std::clearerr(in);
    if (std::getc(in) == EOF && std::ferror(in) != 0)
        return TakeReason();
    return kNoReason;
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
