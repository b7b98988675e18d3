#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "wide_path.h"

#include <windows.h>

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

} // namespace

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
    // its meaning.
    if (n == 0 || n < MAX_PATH - 12 || std::wcsncmp(wide, L"\\\\?\\", 4) == 0)
        return true;
    return PrefixLongPath(full, n, wide);
}
