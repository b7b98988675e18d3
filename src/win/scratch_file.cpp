// A scratch file on Windows: a new file in the user's temporary folder,
// named in UTF-8 for the library that writes it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "scratch_file.h"

#include <windows.h>

Reason MakeScratchFile(ScratchFile& scratch)
{
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || GetTempFileNameW(folder, L"lec", 0, name) == 0)
        return TakeReason();
    scratch.file = kNoFile;
    if (WideCharToMultiByte(CP_UTF8, 0, name, -1, scratch.name, sizeof scratch.name, nullptr, nullptr) > 0)
        return kNoReason;
    Reason why = TakeReason();
    (void)DeleteFileW(name);
    return why;
}

void DropScratchFile(ScratchFile& scratch)
{
    wchar_t name[MAX_PATH];
    if (MultiByteToWideChar(CP_UTF8, 0, scratch.name, -1, name, MAX_PATH) > 0)
        (void)DeleteFileW(name);
}
