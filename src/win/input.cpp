// Standard input on Windows. Typed at a console, it is read in UTF-16 and
// handed out in UTF-8; piped or redirected, it is read in binary, and a
// byte-order mark at its very start says how it is encoded (UTF-8, or
// UTF-16 as PowerShell 5 and Notepad's "Unicode" save it); a line of bytes
// that is not UTF-8 is read in the ANSI code page. Either way the line ends
// and Ctrl-Z are taken as text mode takes them.
#include "input.h"
#include "handles.h"
#include "windows_console.h"

#include <algorithm>
#include <cstring>

namespace {

// Room for one console read in UTF-16 and in UTF-8.
constexpr DWORD kConsoleUnits = 128;
constexpr int kConsoleBytes = 3 * kConsoleUnits;
constexpr unsigned char kCtrlZ = 0x1a;

// Drops the CR of each CRLF, and ends the input at a Ctrl-Z, as text mode does.
std::size_t ToTextMode(char* bytes, std::size_t n, bool& ended)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(bytes[i]) == kCtrlZ) {
            ended = true;
            break;
        }
        if (bytes[i] != '\r' || i + 1 == n || bytes[i + 1] != '\n')
            bytes[kept++] = bytes[i];
    }
    return kept;
}

// What the person typed next, at most one line.
long long ReadConsole(HANDLE console, InputState& state, char* to, Reason& why)
{
    wchar_t units[kConsoleUnits];
    DWORD start = state.heldUnit != 0 ? 1 : 0;
    units[0] = state.heldUnit;
    DWORD got = 0;
    if (ReadConsoleW(console, units + start, kConsoleUnits - start, &got, nullptr) == 0) {
        why = TakeReason();
        return -1;
    }
    if (got == 0)
        return 0;
    DWORD count = start + got;
    state.heldUnit = 0;
    wchar_t last = units[count - 1];
    if (count > 1 && ((last >= 0xd800 && last < 0xdc00) || last == L'\r'))
        state.heldUnit = units[--count];
    int n =
        WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(count), to, kConsoleBytes, nullptr, nullptr);
    return static_cast<long long>(ToTextMode(to, static_cast<std::size_t>(n), state.ended));
}

// Reads more raw bytes after those not decoded yet (at most half a UTF-16
// character); false at the end or on a failure, with why. The writer
// closing a pipe is its end.
bool FillRaw(HANDLE file, InputState& state, Reason& why)
{
    std::size_t kept = state.rawEnd - state.rawNext;
    std::copy(state.raw + state.rawNext, state.raw + state.rawEnd, state.raw);
    state.rawNext = 0;
    state.rawEnd = kept;
    DWORD got = 0;
    if (ReadFile(file, state.raw + kept, static_cast<DWORD>(sizeof state.raw - kept), &got, nullptr) == 0) {
        Reason failed = TakeReason();
        why = failed == ERROR_BROKEN_PIPE ? kNoReason : failed;
        return false;
    }
    state.rawEnd += got;
    return got > 0;
}

// Takes the first bytes for their byte-order mark: UTF-16 in either order;
// else the bytes are the text, and UTF-8's mark is left out as on every
// system.
void ReadByteOrderMark(InputState& state)
{
    const unsigned char* b = state.raw;
    std::size_t n = state.rawEnd;
    state.encoding = Encoding::Bytes;
    if (n >= 2 && b[0] == 0xff && b[1] == 0xfe)
        state.encoding = Encoding::Utf16Le;
    else if (n >= 2 && b[0] == 0xfe && b[1] == 0xff)
        state.encoding = Encoding::Utf16Be;
    if (state.encoding != Encoding::Bytes)
        state.rawNext = 2;
    state.lineStart = true;
}

// The next UTF-16 unit of the raw bytes; -1 when they hold no whole one.
long TakeUnit(InputState& state)
{
    if (state.rawEnd - state.rawNext < 2)
        return -1;
    const unsigned char* b = state.raw + state.rawNext;
    state.rawNext += 2;
    return state.encoding == Encoding::Utf16Le ? b[0] | b[1] << 8 : b[0] << 8 | b[1];
}

// Writes the code point at to in UTF-8; returns how many bytes.
std::size_t PutUtf8(char* to, long c)
{
    std::size_t n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    static const unsigned char kLead[] = {0, 0, 0xc0, 0xe0, 0xf0};
    for (std::size_t k = n - 1; k > 0; --k, c >>= 6)
        to[k] = static_cast<char>(0x80 | (c & 0x3f));
    to[0] = static_cast<char>(n == 1 ? c : kLead[n] | c);
    return n;
}

// The next code point of UTF-16 input, U+FFFD for a lone surrogate; -1 when
// the raw bytes hold no more whole characters.
long TakeCodePoint(InputState& state)
{
    std::size_t before = state.rawNext;
    long unit = state.lowHeld ? state.heldLow : TakeUnit(state);
    bool wasHeld = state.lowHeld;
    state.lowHeld = false;
    if (unit < 0xd800 || unit > 0xdfff)
        return unit;
    long low = unit < 0xdc00 ? TakeUnit(state) : -2;
    if (low >= 0xdc00 && low <= 0xdfff)
        return 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
    // A high surrogate whose other half has not been read yet waits for it.
    if (low == -1 && !wasHeld) {
        state.rawNext = before;
        return -1;
    }
    state.lowHeld = low >= 0;
    state.heldLow = low;
    return 0xfffd;
}

// How many of the n bytes at s are whole: a character that a full buffer
// cuts waits for the rest of it.
std::size_t WholeLength(const unsigned char* s, std::size_t n)
{
    std::size_t back = 0;
    while (back < 3 && back < n && (s[n - 1 - back] & 0xc0) == 0x80)
        ++back;
    if (back == n)
        return n;
    unsigned char lead = s[n - 1 - back];
    std::size_t claimed = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    return claimed > back + 1 ? n - 1 - back : n;
}

// Tells how the line that the raw bytes start with is encoded, once they
// hold it whole, or the rest of the input, or all they can: UTF-8, taken
// byte by byte, or else the ANSI code page, as Notepad saves "ANSI", its
// units put in ansi. False when more bytes must be read first.
bool DecideLine(InputState& state)
{
    const unsigned char* at = state.raw + state.rawNext;
    std::size_t held = state.rawEnd - state.rawNext;
    const void* lineEnd = std::memchr(at, '\n', held);
    if ((lineEnd == nullptr && !state.rawEnded && held < sizeof state.raw) || held == 0)
        return false;
    std::size_t n = lineEnd != nullptr ? static_cast<const unsigned char*>(lineEnd) - at + 1 : held;
    const char* line = reinterpret_cast<const char*>(at);
    int whole = static_cast<int>(lineEnd != nullptr || state.rawEnded ? n : WholeLength(at, n));
    state.lineStart = false;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line, whole, nullptr, 0) != 0 || whole == 0)
        return true;
    int units = MultiByteToWideChar(CP_ACP, 0, line, static_cast<int>(n), state.ansi, kRawInputSize);
    state.ansiNext = 0;
    state.ansiEnd = units > 0 ? static_cast<std::size_t>(units) : 0;
    state.rawNext += n;
    state.recoded = true;
    return true;
}

// The next character: a unit of a line read in the ANSI code page, a code
// point of UTF-16, or a byte; -1 when none is in hand. A line of bytes is
// first told UTF-8 or ANSI.
long TakeCharacter(InputState& state, bool& isByte)
{
    isByte = false;
    if (state.ansiNext < state.ansiEnd)
        return state.ansi[state.ansiNext++];
    if (state.encoding != Encoding::Bytes)
        return TakeCodePoint(state);
    if (state.lineStart && !DecideLine(state))
        return -1;
    if (state.ansiNext < state.ansiEnd)
        return state.ansi[state.ansiNext++];
    isByte = true;
    return state.rawNext < state.rawEnd ? state.raw[state.rawNext++] : -1;
}

// Decodes what the raw bytes hold into to, at most n bytes; the CR of a
// CRLF dropped and the input ended at a Ctrl-Z.
std::size_t DecodeRaw(InputState& state, char* to, std::size_t n)
{
    std::size_t made = 0;
    while (made + 5 <= n && !state.ended) {
        bool isByte = false;
        long c = TakeCharacter(state, isByte);
        if (c < 0)
            break;
        if (state.heldCr && c != '\n')
            to[made++] = '\r';
        state.heldCr = c == '\r';
        state.ended = c == kCtrlZ;
        state.ctrlZ = c == kCtrlZ;
        state.lineStart = c == '\n';
        if (c == '\r' || c == kCtrlZ)
            continue;
        // Bytes of UTF-8 go on as they are.
        made += isByte ? (to[made] = static_cast<char>(c), 1) : PutUtf8(to + made, c);
    }
    return made;
}

// Counts what follows a Ctrl-Z to the end of the input, which text mode
// never reads, so that the run can say it: 0 when it is only line ends,
// as the old end-of-file mark after the last line leaves them.
void CountAfterCtrlZ(HANDLE file, InputState& state)
{
    long long n = static_cast<long long>(state.ansiEnd - state.ansiNext);
    bool text = n > 0;
    Reason why = kNoReason;
    do {
        for (std::size_t i = state.rawNext; i < state.rawEnd; ++i)
            text = text || (state.raw[i] != '\r' && state.raw[i] != '\n' && state.raw[i] != kCtrlZ);
        n += static_cast<long long>(state.rawEnd - state.rawNext);
        state.rawNext = state.rawEnd;
    } while (!state.rawEnded && FillRaw(file, state, why));
    state.rawEnded = true;
    state.afterCtrlZ = text ? n : 0;
}

// What a pipe or a file holds next, decoded; waits only when nothing is in
// hand.
long long ReadPiped(HANDLE file, InputState& state, char* to, std::size_t n, Reason& why)
{
    for (;;) {
        std::size_t made = state.encoding == Encoding::Unknown ? 0 : DecodeRaw(state, to, n);
        if (state.ctrlZ && !state.rawEnded)
            CountAfterCtrlZ(file, state);
        if (made > 0 || state.ended)
            return static_cast<long long>(made);
        if (state.rawEnded) {
            // All is decoded that can be; a CR at the very end is a CR.
            state.ended = true;
            to[0] = '\r';
            made = state.heldCr ? 1 : 0;
            state.heldCr = false;
            return static_cast<long long>(made);
        }
        if (!FillRaw(file, state, why)) {
            if (why != kNoReason) {
                state.ended = true;
                return -1;
            }
            state.rawEnded = true;
        }
        if (state.encoding == Encoding::Unknown)
            ReadByteOrderMark(state);
    }
}

} // namespace

long long ReadInput(FileHandle file, InputState& state, char* to, std::size_t n, Reason& why)
{
    why = kNoReason;
    HANDLE handle = AsHandle(file);
    DWORD mode = 0;
    if (state.ended)
        return 0;
    if (GetConsoleMode(handle, &mode) != 0)
        return ReadConsole(handle, state, to, why);
    return ReadPiped(handle, state, to, n, why);
}
