// The monotonic clock on Windows.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "clock.h"

#include <windows.h>

long long MonotonicMilliseconds()
{
    return static_cast<long long>(GetTickCount64());
}
