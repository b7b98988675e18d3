// Following a file on Windows: a change notification on its folder, with a
// one-second timeout as the poll for shares that send none.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "follow.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD kPollMilliseconds = 1000;

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle); // NOLINT(performance-no-int-to-ptr)
}

// The identity of an open file: its volume and its index there.
bool IdentifyFile(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    return GetFileInformationByHandle(file, &info) != 0;
}

} // namespace

WatchHandle StartWatch(const char* name)
{
    // The folder is watched: Windows notifies changes to what a folder holds.
    char folder[MAX_PATH];
    const char* slash = std::strrchr(name, '\\');
    const char* other = std::strrchr(name, '/');
    slash = other != nullptr && (slash == nullptr || other > slash) ? other : slash;
    std::size_t n = slash == nullptr ? 1 : static_cast<std::size_t>(slash - name) + 1;
    if (n >= sizeof folder)
        return kNoWatch;
    std::memcpy(folder, slash == nullptr ? "." : name, n);
    folder[n] = '\0';
    HANDLE change = FindFirstChangeNotificationA(folder, FALSE,
        FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME);
    return change == INVALID_HANDLE_VALUE ? kNoWatch : reinterpret_cast<WatchHandle>(change);
}

void AwaitChange(WatchHandle watch)
{
    if (watch == kNoWatch) {
        Sleep(kPollMilliseconds);
        return;
    }
    if (WaitForSingleObject(AsHandle(watch), kPollMilliseconds) == WAIT_OBJECT_0)
        (void)FindNextChangeNotification(AsHandle(watch));
}

void StopWatch(WatchHandle watch)
{
    if (watch != kNoWatch)
        (void)FindCloseChangeNotification(AsHandle(watch));
}

long long FileLength(FileHandle file)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(AsHandle(file), &size) != 0 ? size.QuadPart : -1;
}

bool IsStillNamed(FileHandle file, const char* name)
{
    HANDLE named = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    bool same = IdentifyFile(AsHandle(file), a) && IdentifyFile(named, b) &&
        a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
        a.nFileIndexLow == b.nFileIndexLow;
    (void)CloseHandle(named);
    return same;
}
