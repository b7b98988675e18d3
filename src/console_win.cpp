// The standard streams on Windows: a console shows and reads UTF-8 for the
// run, whatever its code page; the dialogue writes to it directly.
#include "console_win.h"
#include "console.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace {

// Room for one console read in UTF-16 and UTF-8.
constexpr DWORD kConsoleUnits = 128;
constexpr int kConsoleBytes = 3 * kConsoleUnits;
constexpr char kCtrlZ = 0x1a;

// The console's output code page before the run, put back when it ends, even
// on Ctrl-C: the console outlives the program.
UINT savedOutputCodePage = 0;

void RestoreOutputCodePage()
{
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
    consoleOut = out;
    consoleErr = err;
}

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

// Typed input, read from the console in UTF-16 and handed out as UTF-8 with
// the line ends of text mode. Like the C library's own buffer for stdin, it
// lives as long as the program.
struct ConsoleInput {
    bool active;
    bool ended;
    char bytes[kConsoleBytes];
    int next;
    int end;
    wchar_t held; // a high surrogate or a CR whose other half the next read brings
};
ConsoleInput console = {};

// Drops the CR of each CRLF, and ends the input at a Ctrl-Z, as text mode does.
int ToTextMode(char* bytes, int n, bool& ended)
{
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        if (bytes[i] == kCtrlZ) {
            ended = true;
            break;
        }
        if (bytes[i] != '\r' || i + 1 == n || bytes[i + 1] != '\n')
            bytes[kept++] = bytes[i];
    }
    return kept;
}

// Reads what the person typed next, at most one line; false at the end.
bool FillFromConsole(ConsoleInput& in)
{
    std::fflush(stdout);
    wchar_t units[kConsoleUnits];
    DWORD start = in.held != 0 ? 1 : 0;
    units[0] = in.held;
    DWORD got = 0;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (ReadConsoleW(input, units + start, kConsoleUnits - start, &got, nullptr) == 0 || got == 0)
        return false;
    DWORD count = start + got;
    in.held = 0;
    wchar_t last = units[count - 1];
    if (count > 1 && ((last >= 0xd800 && last < 0xdc00) || last == L'\r'))
        in.held = units[--count];
    int n = WideCharToMultiByte(
        CP_UTF8, 0, units, static_cast<int>(count), in.bytes, kConsoleBytes, nullptr, nullptr);
    in.next = 0;
    in.end = ToTextMode(in.bytes, n, in.ended);
    return true;
}

int GetConsoleByte(ConsoleInput& in)
{
    while (in.next == in.end) {
        if (in.ended || !FillFromConsole(in)) {
            in.ended = true;
            return EOF;
        }
    }
    return static_cast<unsigned char>(in.bytes[in.next++]);
}

} // namespace

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

bool PrepareStandardStreams()
{
    // A closed standard output fails every write already.
    // The C library buffers standard error when it is a pipe; each report
    // must be out before the next read, as on other systems.
    if (std::setvbuf(stderr, nullptr, _IONBF, 0) != 0)
        return false;
    ShowUtf8OnConsole();
    console.active = ConsoleHandle(STD_INPUT_HANDLE) != nullptr;
    // After the code page's restore is registered, so that this runs first.
    HoldWindowIfAlone();
    return true;
}

bool IsConsoleInput()
{
    return console.active;
}

bool IsTerminal(std::FILE* stream)
{
    intptr_t os = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(os), &mode) != 0; // NOLINT(performance-no-int-to-ptr)
}

bool MayWait(std::FILE* stream)
{
    intptr_t os = _get_osfhandle(_fileno(stream));
    auto* handle = reinterpret_cast<HANDLE>(os); // NOLINT(performance-no-int-to-ptr)
    DWORD mode = 0;
    DWORD type = GetFileType(handle);
    return !(type == FILE_TYPE_DISK || (type == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) == 0));
}

Reason PrepareListingOutput(std::FILE* out)
{
    // The line ends are written as CR LF; text mode would add a CR before
    // every line end, a text's own included.
    if ((out == stdout && consoleOut != nullptr) || _setmode(_fileno(out), _O_BINARY) != -1)
        return kNoReason;
    return TakeReason();
}

void PutLineEnd(std::FILE* out)
{
    // What goes to the console gets its CR there, as in text mode.
    bool onConsole = (out == stdout && consoleOut != nullptr) || (out == stderr && consoleErr != nullptr);
    PutBytes(out, onConsole ? "\n" : "\r\n", onConsole ? 1 : 2);
}

Reason TakeReadReason(std::FILE* in)
{
    std::clearerr(in);
    if (GetByte(in) == EOF && std::ferror(in) != 0)
        return TakeReason();
    return kNoReason;
}

void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    HANDLE target = out == stdout ? consoleOut : out == stderr ? consoleErr : nullptr;
    std::size_t done = target != nullptr ? WriteToConsole(out, target, bytes, n) : 0;
    // What the console refused goes to the stream, whose error flag then tells the failure.
    if (done < n)
        std::fwrite(bytes + done, 1, n - done, out);
}

int GetByte(std::FILE* in)
{
    if (in == stdin)
        return console.active ? GetConsoleByte(console) : GetPipedByte(in);
    return std::getc(in);
}
