// The standard streams on Linux.
#include "standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <initializer_list>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
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

FileHandle StandardInput()
{
    return STDIN_FILENO;
}

bool IsConsoleInput()
{
    return isatty(STDIN_FILENO) != 0;
}

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}

int TerminalColumns(std::FILE* stream)
{
    winsize size{};
    return ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

bool IsOutputAlsoError()
{
    struct stat out;
    struct stat err;
    return fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 && out.st_dev == err.st_dev &&
        out.st_ino == err.st_ino && (S_ISREG(out.st_mode) || S_ISFIFO(out.st_mode) || S_ISSOCK(out.st_mode));
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

bool NamesStandardOutput(const char* name)
{
    struct stat out;
    struct stat named;
    return fstat(STDOUT_FILENO, &out) == 0 && S_ISREG(out.st_mode) && stat(name, &named) == 0 &&
        named.st_dev == out.st_dev && named.st_ino == out.st_ino;
}
