// The standard streams on Linux.
#include "console.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PrepareStandardStreams(Reason& inputClosed)
{
    // A closed standard descriptor would be handed to the record file, and the
    // dialogue written to it would corrupt the records.
    inputClosed = kNoReason;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        int mode = fd == STDIN_FILENO ? O_RDWR : O_RDONLY;
        if (fcntl(fd, F_GETFD) >= 0)
            continue;
        if (errno != EBADF || open("/dev/null", mode) != fd)
            return false;
        inputClosed = fd == STDIN_FILENO ? EBADF : inputClosed;
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

Reason PrepareListingOutput(std::FILE* /*out*/)
{
    return kNoReason;
}

void PutLineEnd(std::FILE* out)
{
    PutByte('\n', out);
}

#if !ECRITURE_UNLOCKED_STDIO
void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    std::fwrite(bytes, 1, n, out);
}
#endif
