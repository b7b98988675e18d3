// Reading a file on Windows, in binary.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "listed_file.h"
#include "handles.h"
#include "wide_path.h"

#include <windows.h>

FileHandle OpenListedFile(const char* name, Reason& why)
{
    wchar_t wide[kWidePathSize];
    HANDLE file = INVALID_HANDLE_VALUE;
    // A device or a hidden stream is no record file, and is not waited on.
    if ((why = RefuseHiddenName(name)) != kNoReason)
        return kNoFile;
    // Listed or followed, the file stays its owner's to write, rename and
    // delete: a deleted or renamed file is read to its end.
    bool named = ToWidePath(name, wide);
    if (named)
        file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    why = file != INVALID_HANDLE_VALUE ? kNoReason : named ? FolderOr(wide, TakeReason()) : TakeReason();
    if (file != INVALID_HANDLE_VALUE && IsUnaskedDevice(name, file)) {
        (void)CloseHandle(file);
        why = kIsDevice;
        return kNoFile;
    }
    return FromHandle(file);
}

bool MeansNoSuchFile(Reason why)
{
    return why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND;
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why)
{
    DWORD got = 0;
    why = kNoReason;
    if (ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, nullptr) != 0)
        return got;
    why = TakeReason();
    // The writer of a pipe has closed it: the end of the input, not an error.
    if (why == ERROR_BROKEN_PIPE) {
        why = kNoReason;
        return 0;
    }
    return -1;
}

Reason SeekTo(FileHandle file, long long offset)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return SetFilePointerEx(AsHandle(file), at, nullptr, FILE_BEGIN) != 0 ? kNoReason : TakeReason();
}

long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why)
{
    // A read at an offset moves a synchronous handle's position: it is put back.
    LARGE_INTEGER zero = {};
    LARGE_INTEGER was;
    if (SetFilePointerEx(AsHandle(file), zero, &was, FILE_CURRENT) == 0) {
        why = TakeReason();
        return -1;
    }
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    bool read = ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, &at) != 0;
    why = read || GetLastError() == ERROR_HANDLE_EOF ? kNoReason : TakeReason();
    Reason back = SeekTo(file, was.QuadPart);
    why = why != kNoReason ? why : back;
    return why == kNoReason ? got : -1;
}
