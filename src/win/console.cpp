// The programs' output on Windows: a console shows UTF-8 for the run,
// whatever its code page, and the dialogue writes to it directly.
#include "console.h"
#include "windows_console.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace {

// The console's output code page before the run, put back when it ends, even
// on Ctrl-C: the console outlives the program.
UINT savedOutputCodePage = 0;

// Put back only while it is still the UTF-8 the run set: another program
// on the console may have set its own since.
void RestoreOutputCodePage()
{
    if (GetConsoleOutputCP() == CP_UTF8)
        SetConsoleOutputCP(savedOutputCodePage);
}

BOOL WINAPI RestoreOnBreak(DWORD /*event*/)
{
    RestoreOutputCodePage();
    return FALSE;
}

// Standard output and error when they are a console that shows UTF-8. The
// C library may recode what it writes to a console from the ANSI code page,
// and would garble UTF-8.
HANDLE consoleOut = nullptr;
HANDLE consoleErr = nullptr;

// Writes the bytes with CRLF line ends, as text mode would. Returns how many
// were written: fewer when the console refused the rest.
std::size_t WriteToConsole(std::FILE* stream, HANDLE console, const char* bytes, std::size_t n)
{
    // Whatever went through the stream before must show first.
    std::fflush(stream);
    const char* p = bytes;
    const char* end = bytes + n;
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf != nullptr ? lf : end;
        if (!WriteConsoleBytes(console, p, static_cast<std::size_t>(stop - p)) ||
            (lf != nullptr && !WriteConsoleBytes(console, "\r\n", 2)))
            break;
        p = lf != nullptr ? lf + 1 : end;
    }
    return static_cast<std::size_t>(p - bytes);
}

// A handle of the run's own to the same console, or null when there is
// none or it cannot be had (the bytes then go through the stream).
HANDLE OwnHandle(HANDLE console)
{
    HANDLE own = nullptr;
    if (console == nullptr ||
        DuplicateHandle(
            GetCurrentProcess(), console, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS) == 0)
        return nullptr;
    return own;
}

} // namespace

void ShowUtf8OnConsole()
{
    HANDLE out = ConsoleHandle(STD_OUTPUT_HANDLE);
    HANDLE err = ConsoleHandle(STD_ERROR_HANDLE);
    if (out == nullptr && err == nullptr)
        return;
    savedOutputCodePage = GetConsoleOutputCP();
    if (savedOutputCodePage != CP_UTF8) {
        if (SetConsoleOutputCP(CP_UTF8) == 0)
            return;
        if (std::atexit(RestoreOutputCodePage) != 0) {
            RestoreOutputCodePage();
            return;
        }
        // Without the handler, Ctrl-C would leave the console in UTF-8.
        (void)SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
    }
    // Handles of the writer's own: while a library's lines are kept off
    // standard error, its descriptor is sent elsewhere, which closes the
    // standard handle, and a file opened meanwhile may get its value.
    consoleOut = OwnHandle(out);
    consoleErr = OwnHandle(err);
}

HANDLE ConsoleHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

bool WriteConsoleBytes(HANDLE console, const char* bytes, std::size_t n)
{
    while (n > 0) {
        DWORD wrote = 0;
        if (WriteFile(console, bytes, static_cast<DWORD>(n), &wrote, nullptr) == 0 || wrote == 0)
            return false;
        bytes += wrote;
        n -= wrote;
    }
    return true;
}

Reason PrepareListingOutput(std::FILE* out)
{
    // Large blocks for a listing of a million lines.
    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    // The line ends are written as CR LF; text mode would add a CR before
    // every line end, a text's own included.
    if ((out == stdout && consoleOut != nullptr) || _setmode(_fileno(out), _O_BINARY) != -1)
        return kNoReason;
    return TakeReason();
}

void PutLineEnd(std::FILE* out)
{
    std::size_t n = 0;
    const char* end = LineEndOf(out, n);
    PutBytes(out, end, n);
}

const char* LineEndOf(const std::FILE* out, std::size_t& n)
{
    // What goes to the console gets its CR there, as in text mode.
    bool onConsole = (out == stdout && consoleOut != nullptr) || (out == stderr && consoleErr != nullptr);
    n = onConsole ? 1 : 2;
    return onConsole ? "\n" : "\r\n";
}

void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    HANDLE target = out == stdout ? consoleOut : out == stderr ? consoleErr : nullptr;
    std::size_t done = target != nullptr ? WriteToConsole(out, target, bytes, n) : 0;
    // What the console refused goes to the stream, whose error flag then tells the failure.
    if (done < n && std::fwrite(bytes + done, 1, n - done, out) < n - done)
        NoteOutputFailure(out);
}
