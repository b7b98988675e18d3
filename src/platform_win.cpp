// The platform calls on Windows, through the Win32 API.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Room for a path in UTF-16, and for one console read in UTF-16 and UTF-8.
constexpr int kWidePathSize = 1024;
constexpr DWORD kConsoleUnits = 128;
constexpr int kConsoleBytes = 3 * kConsoleUnits;
constexpr char kCtrlZ = 0x1a;

// The common code carries a HANDLE as an integer, as it carries a descriptor.
HANDLE AsHandle(FileHandle file)
{
    return reinterpret_cast<HANDLE>(file); // NOLINT(performance-no-int-to-ptr)
}

FileHandle FromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

// The standard handle when it is a console, else null.
HANDLE ConsoleHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

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
// dialogue writes to them directly: the C library may recode what it writes
// to a console from the ANSI code page, and would garble UTF-8.
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

bool PrepareStandardStreams(bool /*failClosedOutput*/)
{
    // A closed standard output fails every write already.
    // The C library buffers standard error when it is a pipe; each report
    // must be out before the next read, as on other systems.
    if (std::setvbuf(stderr, nullptr, _IONBF, 0) != 0)
        return false;
    ShowUtf8OnConsole();
    console.active = ConsoleHandle(STD_INPUT_HANDLE) != nullptr;
    return true;
}

FileHandle OpenRecordFile(const char* nom, bool& created)
{
    created = false;
    wchar_t wide[kWidePathSize];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, nom, -1, wide, kWidePathSize) == 0)
        return kNoFile;
    // Append access alone makes the system put every write at the end of the
    // file, as O_APPEND does: two runs appending at once never mix records.
    HANDLE file = CreateFileW(wide, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    created = file != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    return FromHandle(file);
}

bool FlushNewName(const char* /*nom*/, char (&dir)[kDirectorySize])
{
    dir[0] = '\0';
    // Windows has no flush for a directory; the file's own flush is all it offers.
    return true;
}

bool FlushRecordFile(FileHandle file)
{
    // Flushing a pipe would wait for its reader; a console or a device holds nothing.
    if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK)
        return true;
    return FlushFileBuffers(AsHandle(file)) != 0;
}

long long QueryPosition(FileHandle file)
{
    LARGE_INTEGER size;
    if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK || GetFileSizeEx(AsHandle(file), &size) == 0)
        return -1;
    return size.QuadPart;
}

std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        DWORD wrote = 0;
        if (WriteFile(AsHandle(file), bytes + done, static_cast<DWORD>(n - done), &wrote, nullptr) == 0 ||
            wrote == 0)
            break;
        done += wrote;
    }
    return done;
}

FileHandle OpenListedFile(const char* name)
{
    // The C library gives the arguments in the ANSI code page, as the A call takes them.
    return FromHandle(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle StandardInput()
{
    return FromHandle(GetStdHandle(STD_INPUT_HANDLE));
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n)
{
    DWORD got = 0;
    if (ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, nullptr) != 0)
        return got;
    // The writer of a pipe has closed it: the end of the input, not an error.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool CloseFile(FileHandle file)
{
    return CloseHandle(AsHandle(file)) != 0;
}

bool IsConsoleInput()
{
    return console.active;
}

const char* DescribeLastError()
{
    static char text[256];
    DWORD error = GetLastError();
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        text, sizeof text, nullptr);
    // The system's messages end with a full stop and a line end; the
    // programs' own messages have neither.
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.'))
        --n;
    if (n == 0)
        std::snprintf(text, sizeof text, "system error %lu", error);
    else
        text[n] = '\0';
    return text;
}

void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    HANDLE console = out == stdout ? consoleOut : out == stderr ? consoleErr : nullptr;
    std::size_t done = console != nullptr ? WriteToConsole(out, console, bytes, n) : 0;
    // What the console refused goes to the stream, whose error flag then tells the failure.
    if (done < n)
        std::fwrite(bytes + done, 1, n - done, out);
}

int GetByte(std::FILE* in)
{
    if (in == stdin && console.active)
        return GetConsoleByte(console);
    return std::getc(in);
}
