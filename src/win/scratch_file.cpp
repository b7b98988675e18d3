// A scratch file on Windows: a new file in the user's temporary folder,
// named in UTF-8 for the library that writes it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "scratch_file.h"

#include <windows.h>

namespace {

// The reason the failing call left, never none: a call may fail without
// setting one.
Reason TakeFailure()
{
    Reason why = TakeReason();
    return why != kNoReason ? why : ERROR_GEN_FAILURE;
}

} // namespace

Reason MakeScratchFile(ScratchFile& scratch)
{
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH];
    scratch.file = kNoFile;
    scratch.name[0] = '\0';
    // A folder that does not fit gets the room it would need, not an error.
    DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0)
        return TakeFailure();
    if (n > MAX_PATH - 14)
        return ERROR_FILENAME_EXCED_RANGE;
    if (GetTempFileNameW(folder, L"lec", 0, name) == 0)
        return TakeFailure();
    if (WideCharToMultiByte(CP_UTF8, 0, name, -1, scratch.name, sizeof scratch.name, nullptr, nullptr) > 0)
        return kNoReason;
    Reason why = TakeFailure();
    scratch.name[0] = '\0';
    (void)DeleteFileW(name);
    return why;
}

void DropScratchFile(ScratchFile& scratch)
{
    wchar_t name[MAX_PATH];
    if (scratch.name[0] != '\0' && MultiByteToWideChar(CP_UTF8, 0, scratch.name, -1, name, MAX_PATH) > 0)
        (void)DeleteFileW(name);
    scratch.name[0] = '\0';
}
