// A scratch file on Windows: a new file in the user's temporary folder,
// named in UTF-8 for the library that writes it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "scratch_file.h"

#include <windows.h>

#include <initializer_list>

namespace {

// A name that no code page of the library's holds.
constexpr Reason kUnnamable = ERROR_NO_UNICODE_TRANSLATION;

// The reason the failing call left, never none: a call may fail without
// setting one.
Reason TakeFailure()
{
    Reason why = TakeReason();
    return why != kNoReason ? why : ERROR_GEN_FAILURE;
}

// The name in the ANSI code page, which the library opens names in (its
// MinGW build calls the C library's fopen): as it is where every character
// has its byte there, else as its 8.3 short name. False when neither fits.
bool ToLibraryName(const wchar_t* name, char (&library)[kScratchNameSize])
{
    wchar_t shortName[MAX_PATH];
    BOOL lost = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, library, sizeof library, nullptr, &lost) >
            0 &&
        lost == FALSE)
        return true;
    DWORD n = GetShortPathNameW(name, shortName, MAX_PATH);
    lost = FALSE;
    return n > 0 && n < MAX_PATH &&
        WideCharToMultiByte(
            CP_ACP, WC_NO_BEST_FIT_CHARS, shortName, -1, library, sizeof library, nullptr, &lost) > 0 &&
        lost == FALSE;
}

// Notes the variable that names the temporary folder, TMP or else TEMP, as
// GetTempPathW looks for them, and its value; none when neither is set.
void NoteFolder(ScratchFile& scratch)
{
    static wchar_t value[kScratchNameSize];
    scratch.variable = nullptr;
    scratch.folder[0] = '\0';
    struct Variable {
        const wchar_t* wide;
        const char* name;
    };
    for (Variable variable : {Variable{L"TMP", "TMP"}, Variable{L"TEMP", "TEMP"}}) {
        DWORD n = GetEnvironmentVariableW(variable.wide, value, kScratchNameSize);
        if (n == 0)
            continue;
        scratch.variable = variable.name;
        if (n >= kScratchNameSize ||
            WideCharToMultiByte(
                CP_UTF8, 0, value, -1, scratch.folder, sizeof scratch.folder, nullptr, nullptr) == 0)
            scratch.folder[0] = '\0';
        return;
    }
}

} // namespace

Reason MakeScratchFile(ScratchFile& scratch)
{
    wchar_t folder[kScratchNameSize];
    wchar_t name[MAX_PATH];
    scratch.file = kNoFile;
    scratch.name[0] = '\0';
    NoteFolder(scratch);
    // A folder that does not fit gets the room it would need, not an error.
    DWORD n = GetTempPathW(kScratchNameSize, folder);
    if (n == 0 || n >= kScratchNameSize)
        return n == 0 ? TakeFailure() : ERROR_FILENAME_EXCED_RANGE;
    if (n > MAX_PATH - 14)
        return ERROR_FILENAME_EXCED_RANGE;
    if (GetTempFileNameW(folder, L"lec", 0, name) == 0)
        return TakeFailure();
    // A folder whose name the library cannot be given, as C:\Users\Hélène
    // in another code page with no short names, is said as such.
    bool named =
        WideCharToMultiByte(CP_UTF8, 0, name, -1, scratch.name, sizeof scratch.name, nullptr, nullptr) > 0;
    Reason why = named ? kNoReason : TakeFailure();
    if (named && ToLibraryName(name, scratch.library))
        return kNoReason;
    why = why != kNoReason ? why : kUnnamable;
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
