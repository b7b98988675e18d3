#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "wide_path.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

// The full path of n units, whole and prefixed, into wide: \\?\C:\... or,
// on a share \\server\share, \\?\UNC\server\share. False when it does not fit.
bool PrefixLongPath(const wchar_t* full, std::size_t n, wchar_t (&wide)[kWidePathSize])
{
    bool share = full[0] == L'\\' && full[1] == L'\\';
    const wchar_t* prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
    const wchar_t* rest = share ? full + 1 : full;
    std::size_t size = std::wcslen(prefix);
    std::size_t length = n - (share ? 1 : 0);
    if (size + length >= kWidePathSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::wmemcpy(wide, prefix, size);
    std::wmemcpy(wide + size, rest, length + 1);
    return true;
}

// Written as a device path, \\.\NAME: a device is what it asks for.
bool IsDevicePath(const char* name)
{
    return (name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/') && name[2] == '.' &&
        (name[3] == '\\' || name[3] == '/');
}

// A console's names, CON, CONIN$ and CONOUT$, which the dialogue's check
// refuses as the terminal.
bool IsConsoleDevice(const wchar_t* full)
{
    const wchar_t* device = full + 4;
    return _wcsicmp(device, L"CON") == 0 || _wcsicmp(device, L"CONIN$") == 0 ||
        _wcsicmp(device, L"CONOUT$") == 0;
}

} // namespace

// In the range that Windows leaves to applications' own codes.
const Reason kIsDevice = 0x20000001;
const Reason kNamesStream = 0x20000002;
const Reason kIsFolder = 0x20000003;

Reason FolderOr(const wchar_t* wide, Reason why)
{
    DWORD attributes = why == ERROR_ACCESS_DENIED ? GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kIsFolder
                                                                                                 : why;
}

Reason RefuseHiddenName(const char* name)
{
    if (IsDevicePath(name))
        return kNoReason;
    const char* path = std::strncmp(name, "\\\\?\\", 4) == 0 ? name + 4 : name;
    bool drive = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':';
    if (std::strchr(drive ? path + 2 : path, ':') != nullptr)
        return kNamesStream;
    wchar_t wide[kWidePathSize];
    wchar_t full[kWidePathSize];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, kWidePathSize) == 0)
        return kNoReason;
    DWORD n = GetFullPathNameW(wide, kWidePathSize, full, nullptr);
    bool device = n > 4 && n < kWidePathSize && std::wcsncmp(full, L"\\\\.\\", 4) == 0;
    return device && !IsConsoleDevice(full) ? kIsDevice : kNoReason;
}

bool IsUnaskedDevice(const char* name, void* handle)
{
    DWORD mode = 0;
    return !IsDevicePath(name) && GetFileType(handle) != FILE_TYPE_DISK && GetConsoleMode(handle, &mode) == 0;
}

bool ToWidePath(const char* name, wchar_t (&wide)[kWidePathSize])
{
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, kWidePathSize) == 0)
        return false;
    wchar_t full[kWidePathSize];
    DWORD n = GetFullPathNameW(wide, kWidePathSize, full, nullptr);
    // Too long for the buffer, the count is the room it would need, and
    // nothing was written.
    if (n >= kWidePathSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // A name whose path is short goes as it is: a device such as NUL keeps
    // its meaning; so does a name written whole, \\?\ or \\.\, which the
    // system takes literally (\\.\ is no share).
    if (n == 0 || n < MAX_PATH - 12 || std::wcsncmp(wide, L"\\\\?\\", 4) == 0 || IsDevicePath(name))
        return true;
    return PrefixLongPath(full, n, wide);
}
