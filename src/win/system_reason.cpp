// The reason of a failure on Windows: GetLastError and the system's message.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "system_reason.h"
#include "catalogue.h"
#include "wide_path.h"

#include <windows.h>

#include <cstdio>

Reason TakeReason()
{
    return GetLastError();
}

void ClearReason()
{
    SetLastError(ERROR_SUCCESS);
}

namespace {

// The reasons of the programs' own, in their words; null for the system's.
const char* OwnReason(Reason why)
{
    if (why == kIsDevice)
        return Translate("is a device, not a file on a disk (write \\\\.\\NAME for a device)");
    if (why == kIsFolder)
        return Translate("is a folder");
    if (why == kNamesStream)
        return Translate("a colon past the drive names a hidden stream of the file before it, which "
                         "Explorer and lecture do not show");
    return nullptr;
}

} // namespace

const char* DescribeReason(Reason why)
{
    // In the user's language, and in UTF-8 as the rest of every message:
    // the ANSI code page would garble "Accès refusé".
    static wchar_t words[256];
    static char text[3 * 256 + 1];
    if (const char* own = OwnReason(why); own != nullptr)
        return own;
    DWORD error = static_cast<DWORD>(why);
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        words, sizeof words / sizeof words[0], nullptr);
    // The system's messages end with a full stop and a line end; the
    // programs' own messages have neither.
    while (n > 0 && (words[n - 1] == L'\n' || words[n - 1] == L'\r' || words[n - 1] == L'.'))
        --n;
    int made = n > 0
        ? WideCharToMultiByte(CP_UTF8, 0, words, static_cast<int>(n), text, sizeof text - 1, nullptr, nullptr)
        : 0;
    if (made <= 0)
        std::snprintf(text, sizeof text, Translate("system error %lu"), error);
    else
        text[made] = '\0';
    return text;
}
