// An open file on Windows: a HANDLE, carried as an integer.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "file_handle.h"
#include "handles.h"

#include <windows.h>

bool IsRegularFile(FileHandle file, Reason& why)
{
    DWORD type = GetFileType(AsHandle(file));
    why = type == FILE_TYPE_UNKNOWN ? TakeReason() : kNoReason;
    return type == FILE_TYPE_DISK;
}

Reason CloseFile(FileHandle file)
{
    return CloseHandle(AsHandle(file)) != 0 ? kNoReason : TakeReason();
}
