// The platform calls on Windows, through the Win32 API.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "platform_win.h"
#include "platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace {

// Room for one console read in UTF-16 and UTF-8.
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

// The first bytes of piped input, read to look for a UTF-8 byte-order mark
// that an editor put there, and handed out again when they are not one.
int leading[3];
int leadingCount = -1;
int leadingNext = 0;

int GetPipedByte(std::FILE* in)
{
    if (leadingCount < 0) {
        static const int kMark[] = {0xef, 0xbb, 0xbf};
        leadingCount = 0;
        while (leadingCount < 3 && (leading[leadingCount] = std::getc(in)) == kMark[leadingCount])
            ++leadingCount;
        if (leadingCount == 3)
            leadingCount = 0;
        else if (leading[leadingCount] != EOF)
            ++leadingCount;
    }
    return leadingNext < leadingCount ? leading[leadingNext++] : std::getc(in);
}

// At the end of a run that has its console window to itself: the window
// closes with the program, so it waits for Enter first.
void WaitForEnter()
{
    static const char kLine[] = "Appuyez sur Entr\xc3\xa9"
                                "e pour fermer la fen\xc3\xaatre.\r\n";
    std::fflush(stdout);
    std::fflush(stderr);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!WriteConsoleBytes(out, kLine, sizeof kLine - 1))
        return;
    wchar_t units[64];
    DWORD got = 0;
    while (ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), units, 64, &got, nullptr) != 0 && got > 0 &&
        std::wmemchr(units, L'\r', got) == nullptr && std::wmemchr(units, L'\n', got) == nullptr) {}
}

// Explorer gives a program started from it a console of its own. Under
// wine, the console is the terminal that started it, which outlives it.
void HoldWindowIfAlone()
{
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        return;
    DWORD processes[2];
    bool consoles = ConsoleHandle(STD_INPUT_HANDLE) != nullptr &&
        ConsoleHandle(STD_OUTPUT_HANDLE) != nullptr && ConsoleHandle(STD_ERROR_HANDLE) != nullptr;
    if (ShouldHoldWindow(GetConsoleProcessList(processes, 2), consoles))
        (void)std::atexit(WaitForEnter);
}

} // namespace

bool ToWidePath(const char* name, wchar_t (&wide)[kWidePathSize])
{
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, kWidePathSize) == 0)
        return false;
    wchar_t full[kWidePathSize];
    DWORD n = GetFullPathNameW(wide, kWidePathSize, full, nullptr);
    // A name whose path is short goes as it is: a device such as NUL keeps
    // its meaning. A long one must be whole and prefixed: \\?\C:\... or, on
    // a share \\server\share, \\?\UNC\server\share.
    if (n == 0 || n < MAX_PATH - 12 || std::wcsncmp(wide, L"\\\\?\\", 4) == 0)
        return true;
    bool share = full[0] == L'\\' && full[1] == L'\\';
    const wchar_t* prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
    const wchar_t* rest = share ? full + 1 : full;
    std::size_t size = std::wcslen(prefix);
    std::size_t length = std::wcslen(rest);
    if (n >= kWidePathSize || size + length >= kWidePathSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::wmemcpy(wide, prefix, size);
    std::wmemcpy(wide + size, rest, length + 1);
    return true;
}

bool ShouldHoldWindow(unsigned long consoleProcesses, bool streamsOnConsole)
{
    return consoleProcesses == 1 && streamsOnConsole;
}

char** GetArguments(int& argc, char** /*argv*/)
{
    // The C library's argv holds the ANSI code page, which cannot carry
    // every name: the Unicode command line is read again, into UTF-8.
    static char bytes[4 * kWidePathSize];
    static char* args[kWidePathSize / 2 + 1];
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return nullptr;
    bool ok = count < static_cast<int>(sizeof args / sizeof args[0]);
    char* p = bytes;
    for (int i = 0; ok && i < count; ++i) {
        int room = static_cast<int>(bytes + sizeof bytes - p);
        int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, p, room, nullptr, nullptr);
        ok = n > 0;
        args[i] = p;
        p += n;
    }
    (void)LocalFree(wide);
    if (!ok)
        return nullptr;
    args[count] = nullptr;
    argc = count;
    return args;
}

bool IsHelpRequest(const char* arg)
{
    return std::strcmp(arg, "/?") == 0;
}

bool PrepareListingOutput(std::FILE* out)
{
    // The line ends are written as CR LF; text mode would add a CR before
    // every line end, a text's own included.
    return out == stdout && consoleOut != nullptr ? true : _setmode(_fileno(out), _O_BINARY) != -1;
}

void PutLineEnd(std::FILE* out)
{
    // What goes to the console gets its CR there, as in text mode.
    bool console = (out == stdout && consoleOut != nullptr) || (out == stderr && consoleErr != nullptr);
    PutBytes(out, console ? "\n" : "\r\n", console ? 1 : 2);
}

bool PrepareStandardStreams(bool /*failClosedOutput*/)
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

FileHandle OpenRecordFile(const char* nom, bool& created)
{
    created = false;
    wchar_t wide[kWidePathSize];
    if (!ToWidePath(nom, wide))
        return kNoFile;
    // Append access without write access makes the system put every write at
    // the end of the file, as O_APPEND does; read access lets it be locked.
    HANDLE file = CreateFileW(wide, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

LockResult LockRecordFile(FileHandle file)
{
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(kAppendLockOffset);
    at.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    if (LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0)
        return LockResult::Locked;
    DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? LockResult::Unsupported
                                                                           : LockResult::Failed;
}

bool UnlockRecordFile(FileHandle file)
{
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(kAppendLockOffset);
    at.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    return UnlockFileEx(AsHandle(file), 0, 1, 0, &at) != 0;
}

bool CutRecordFile(FileHandle file, long long length)
{
    // The append-only handle cannot change the file's length: a handle with
    // write access can, for this once.
    HANDLE writable = ReOpenFile(AsHandle(file), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (writable == INVALID_HANDLE_VALUE)
        return false;
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = length;
    bool cut = SetFileInformationByHandle(writable, FileEndOfFileInfo, &end, sizeof end) != 0;
    DWORD error = GetLastError();
    (void)CloseHandle(writable);
    SetLastError(error);
    return cut;
}

bool IsRegularFile(FileHandle file)
{
    return GetFileType(AsHandle(file)) == FILE_TYPE_DISK;
}

int StandardStreamOf(FileHandle file)
{
    BY_HANDLE_FILE_INFORMATION record;
    if (!IsRegularFile(file) || GetFileInformationByHandle(AsHandle(file), &record) == 0)
        return 0;
    for (int stream = 1; stream <= 2; ++stream) {
        HANDLE handle = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != 0 &&
            info.dwVolumeSerialNumber == record.dwVolumeSerialNumber &&
            info.nFileIndexHigh == record.nFileIndexHigh && info.nFileIndexLow == record.nFileIndexLow)
            return stream;
    }
    return 0;
}

std::size_t BufferedInput(std::FILE* /*in*/)
{
    // The C library keeps its buffer to itself: every read may wait.
    return 0;
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
    wchar_t wide[kWidePathSize];
    if (!ToWidePath(name, wide))
        return kNoFile;
    return FromHandle(CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
    if (in == stdin)
        return console.active ? GetConsoleByte(console) : GetPipedByte(in);
    return std::getc(in);
}
