// Following a file on Linux: inotify, with a timeout as the poll for file
// systems that send no events.
#include "follow.h"
#include "posix_calls.h"

#include <cerrno>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

WatchHandle StartWatch(const char* name)
{
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return kNoWatch;
    // A rename or removal changes the link count (IN_ATTRIB) or moves the file.
    if (inotify_add_watch(fd, name, IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF) < 0) {
        (void)close(fd);
        return kNoWatch;
    }
    return fd;
}

bool AwaitChange(WatchHandle watch, std::FILE* out, int milliseconds)
{
    // A pipe whose reader has gone, or a terminal hung up, tells so without
    // a write: as tail -f, the follower need not wait for a record to know.
    pollfd wait[] = {{fileno(out), 0, 0}, {static_cast<int>(watch), POLLIN, 0}};
    nfds_t n = watch == kNoWatch ? 1 : 2;
    if (poll(wait, n, milliseconds) <= 0)
        return true;
    if ((wait[0].revents & (POLLERR | POLLHUP)) != 0)
        return false;
    // The events only wake the reader, which then reads the file itself.
    alignas(inotify_event) char events[4096];
    while (n == 2 && read(static_cast<int>(watch), events, sizeof events) > 0) {}
    return true;
}

void StopWatch(WatchHandle watch)
{
    if (watch != kNoWatch)
        (void)close(static_cast<int>(watch));
}

Naming CheckName(FileHandle file, const char* name, Reason& why)
{
    struct stat open;
    struct stat named;
    why = kNoReason;
    if (fstat(static_cast<int>(file), &open) != 0) {
        why = TakeReason();
        return Naming::Same;
    }
    int done = Retrying([&] { return stat(name, &named); });
    if (done == 0)
        return named.st_dev == open.st_dev && named.st_ino == open.st_ino ? Naming::Same : Naming::Replaced;
    // Only a name that is gone is gone: a network file system fails in
    // passing too (EIO, ESTALE). A file that keeps a link was renamed.
    if (errno != ENOENT && errno != ENOTDIR) {
        why = TakeReason();
        return Naming::Same;
    }
    return open.st_nlink > 0 ? Naming::Renamed : Naming::Removed;
}
