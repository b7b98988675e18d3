// The reason of a failure on Windows: GetLastError and the system's message.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "system_reason.h"

#include <windows.h>

#include <cstdio>

Reason TakeReason()
{
    return GetLastError();
}

const char* DescribeReason(Reason why)
{
    static char text[256];
    DWORD error = static_cast<DWORD>(why);
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        text, sizeof text, nullptr);
    // The system's messages end with a full stop and a line end; the
    // programs' own messages have neither.
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.'))
        --n;
    if (n == 0)
        std::snprintf(text, sizeof text, "system error %lu", error);
    else
        text[n] = '\0';
    return text;
}
