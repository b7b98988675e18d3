// The one retry of a call that a signal interrupts, for every call of the
// Linux files that may be (a close is not retried: its descriptor is gone
// whatever it answers).
#ifndef ECRITURE_POSIX_CALLS_H
#define ECRITURE_POSIX_CALLS_H

#include <cerrno>
#include <fcntl.h>

// Makes the call, and makes it again for as long as it fails with EINTR;
// what the last one answered.
template <typename Call>
auto Retrying(Call call)
{
    auto done = call();
    while (done < 0 && errno == EINTR)
        done = call();
    return done;
}

inline int OpenRetrying(const char* name, int flags)
{
    return Retrying([&] { return open(name, flags, 0666); });
}

#endif
