// Following a file on Windows: a change notification on its folder, with a
// timeout as the poll for shares that send none.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "follow.h"
#include "handles.h"
#include "wide_path.h"

#include <windows.h>

#include <cwchar>

namespace {

// The file that the name names now, opened to be identified; an invalid
// handle when there is none, with why when the name is not simply gone.
HANDLE OpenByName(const char* name, Reason& why)
{
    wchar_t wide[kWidePathSize];
    if (!ToWidePath(name, wide))
        return INVALID_HANDLE_VALUE;
    HANDLE named = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        // A name removed, or whose file waits to be deleted, is gone.
        Reason failed = TakeReason();
        // A share denies access in passing: tried again, as any failure
        // that may pass (a file deleted while open is told above).
        bool gone = failed == ERROR_FILE_NOT_FOUND || failed == ERROR_PATH_NOT_FOUND ||
            failed == ERROR_DELETE_PENDING;
        why = gone ? kNoReason : failed;
    }
    return named;
}

} // namespace

WatchHandle StartWatch(const char* name)
{
    // Windows notifies the changes to what a folder holds: the file's folder
    // is watched.
    wchar_t folder[kWidePathSize];
    if (!ToWidePath(name, folder))
        return kNoWatch;
    wchar_t* slash = std::wcsrchr(folder, L'\\');
    wchar_t* other = std::wcsrchr(folder, L'/');
    slash = other != nullptr && (slash == nullptr || other > slash) ? other : slash;
    if (slash == nullptr)
        std::wcscpy(folder, L".");
    else
        slash[1] = L'\0';
    HANDLE change = FindFirstChangeNotificationW(folder, FALSE,
        FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME);
    return change == INVALID_HANDLE_VALUE ? kNoWatch : reinterpret_cast<WatchHandle>(change);
}

bool AwaitChange(WatchHandle watch, std::FILE* /*out*/, int milliseconds)
{
    // Windows tells that a pipe's reader has gone only to a write.
    if (watch == kNoWatch) {
        Sleep(static_cast<DWORD>(milliseconds));
        return true;
    }
    if (WaitForSingleObject(AsHandle(watch), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0)
        (void)FindNextChangeNotification(AsHandle(watch));
    return true;
}

void StopWatch(WatchHandle watch)
{
    if (watch != kNoWatch)
        (void)FindCloseChangeNotification(AsHandle(watch));
}

Naming CheckName(FileHandle file, const char* name, Reason& why)
{
    why = kNoReason;
    // A file deleted while it is open keeps its name until the last handle
    // goes: it is gone all the same.
    FILE_STANDARD_INFO standard = {};
    if (GetFileInformationByHandleEx(AsHandle(file), FileStandardInfo, &standard, sizeof standard) != 0 &&
        standard.DeletePending != FALSE)
        return Naming::Removed;
    HANDLE named = OpenByName(name, why);
    if (named == INVALID_HANDLE_VALUE)
        return why != kNoReason ? Naming::Same : Naming::Renamed;
    bool same = IsSameFile(AsHandle(file), named);
    (void)CloseHandle(named);
    return same ? Naming::Same : Naming::Replaced;
}
