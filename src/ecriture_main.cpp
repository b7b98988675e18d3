// The entry point: the capture loop on the standard streams, and the status.
#include "ecriture.h"
#include "record.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kStatusOpenFailed = 1;
constexpr int kStatusDataLost = 255;

// A closed standard descriptor would be handed to the record file, and the
// dialogue written to it would corrupt the records.
bool KeepStandardFdsOpen()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && (errno != EBADF || open("/dev/null", O_RDWR) != fd))
            return false;
    return true;
}

} // namespace

int main()
{
    if (!KeepStandardFdsOpen())
        return kStatusDataLost;
    int fd = AskRecordFile(stdin, stdout, stderr);
    if (fd < 0)
        return kStatusOpenFailed;
    int lost = CaptureRecords(fd, stdin, stdout, stderr);
    bool closed = CloseRecordFile(fd);
    bool console = CheckConsole(stdin, stdout, stderr);
    return lost == 0 && closed && console ? 0 : kStatusDataLost;
}
