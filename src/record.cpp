#include "record.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int OpenRecordFile(const char* nom)
{
    int fd = open(nom, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
    // The first position report must show the existing length. A pipe or a
    // terminal cannot seek; its reports show -1, so the failure is not an error.
    if (fd >= 0)
        (void)lseek(fd, 0, SEEK_END);
    return fd;
}

long long QueryPosition(int fd)
{
    return lseek(fd, 0, SEEK_CUR);
}

std::size_t WriteRecord(int fd, const Record& rec)
{
    const char* bytes = reinterpret_cast<const char*>(&rec);
    std::size_t done = 0;
    while (done < sizeof rec) {
        ssize_t n = write(fd, bytes + done, sizeof rec - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return done;
}

bool CloseRecordFile(int fd)
{
    return close(fd) == 0;
}
