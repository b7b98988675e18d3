// The standard streams on Windows: a console shows and reads UTF-8 for the
// run, whatever its code page.
#include "standard_streams.h"
#include "handles.h"
#include "wide_path.h"
#include "windows_console.h"

#include <cstdio>
#include <io.h>

FileHandle StandardInput()
{
    return FromHandle(GetStdHandle(STD_INPUT_HANDLE));
}

bool PrepareStandardStreams(Reason& inputClosed)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    inputClosed = input == nullptr || input == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : kNoReason;
    // A closed standard output fails every write already.
    // The C library buffers standard error when it is a pipe; each report
    // must be out before the next read, as on other systems.
    if (std::setvbuf(stderr, nullptr, _IONBF, 0) != 0)
        return false;
    ShowUtf8OnConsole();
    // After the code page's restore is registered, so that this runs first.
    HoldWindowIfAlone();
    return true;
}

bool IsConsoleInput()
{
    return ConsoleHandle(STD_INPUT_HANDLE) != nullptr;
}

bool IsTerminal(std::FILE* stream)
{
    intptr_t os = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(os), &mode) != 0; // NOLINT(performance-no-int-to-ptr)
}

int TerminalColumns(std::FILE* stream)
{
    intptr_t os = _get_osfhandle(_fileno(stream));
    auto* console = reinterpret_cast<HANDLE>(os); // NOLINT(performance-no-int-to-ptr)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(console, &info) == 0)
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

bool IsOutputAlsoError()
{
    // A pipe's identity is not to be had: only a file on a disk is known.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    return GetFileType(out) == FILE_TYPE_DISK && GetFileType(err) == FILE_TYPE_DISK && IsSameFile(out, err);
}

Dialogue DialogueOf(FileHandle file)
{
    static const DWORD kHandles[] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE, STD_INPUT_HANDLE};
    static const Dialogue kStreams[] = {Dialogue::Output, Dialogue::Error, Dialogue::Input};
    // A console, which the dialogue reads and writes (CON, CONOUT$, CONIN$):
    // the stream's when a stream is on it, else the run's terminal.
    DWORD mode = 0;
    if (GetConsoleMode(AsHandle(file), &mode) != 0) {
        for (int k = 0; k < 3; ++k)
            if (GetConsoleMode(GetStdHandle(kHandles[k]), &mode) != 0)
                return kStreams[k];
        return Dialogue::Terminal;
    }
    Reason why = kNoReason;
    if (!IsRegularFile(file, why))
        return Dialogue::None;
    for (int k = 0; k < 3; ++k) {
        HANDLE handle = GetStdHandle(kHandles[k]);
        if (GetFileType(handle) == FILE_TYPE_DISK && IsSameFile(handle, AsHandle(file)))
            return kStreams[k];
    }
    return Dialogue::None;
}

bool NamesStandardOutput(const char* name)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    wchar_t wide[kWidePathSize];
    if (GetFileType(out) != FILE_TYPE_DISK || !ToWidePath(name, wide))
        return false;
    // No access asked: a file that others hold open is identified all the same.
    HANDLE named = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    bool same = IsSameFile(out, named);
    (void)CloseHandle(named);
    return same;
}
