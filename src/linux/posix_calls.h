// The POSIX calls that several of the Linux files make, retried when a
// signal interrupts them.
#ifndef ECRITURE_POSIX_CALLS_H
#define ECRITURE_POSIX_CALLS_H

#include <cerrno>
#include <fcntl.h>

inline int OpenRetrying(const char* name, int flags)
{
    int fd;
    do
        fd = open(name, flags, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

#endif
