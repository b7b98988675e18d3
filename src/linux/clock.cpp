// The monotonic clock on Linux.
#include "clock.h"

#include <ctime>

long long MonotonicMilliseconds()
{
    timespec now = {};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
