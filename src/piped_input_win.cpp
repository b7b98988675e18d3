// Piped or redirected standard input on Windows, read in binary: a
// byte-order mark at its very start says how it is encoded (UTF-8, or
// UTF-16 as PowerShell 5 and Notepad's "Unicode" save it, handed out as
// UTF-8), and the line ends and Ctrl-Z are taken as text mode takes them.
#include "console_win.h"

#include <fcntl.h>
#include <initializer_list>
#include <io.h>

namespace {

enum class Encoding { Unknown, Bytes, Utf16Le, Utf16Be };

constexpr int kNone = -2;
constexpr int kCtrlZ = 0x1a;

// Like the C library's own buffer for stdin, the state lives as long as the
// program.
struct PipedInput {
    Encoding encoding;
    // Bytes read but not handed out yet: a mark's start that was no mark, or
    // the rest of a character in UTF-8.
    unsigned char pending[4];
    int next;
    int count;
    // A unit read after a high surrogate that was not its low one.
    long heldUnit;
    // The byte read after a CR, to tell CR LF from a lone CR.
    int heldByte;
    bool ended;
};
PipedInput piped = {Encoding::Unknown, {}, 0, 0, -1, kNone, false};

long ReadUnit(std::FILE* in, Encoding encoding)
{
    int first = std::getc(in);
    int second = first == EOF ? EOF : std::getc(in);
    if (second == EOF)
        return -1;
    return encoding == Encoding::Utf16Le ? first | second << 8 : first << 8 | second;
}

// The next code point of UTF-16 input, U+FFFD for a lone surrogate; -1 at the end.
long ReadCodePoint(std::FILE* in, PipedInput& p)
{
    long unit = p.heldUnit >= 0 ? p.heldUnit : ReadUnit(in, p.encoding);
    p.heldUnit = -1;
    if (unit < 0xd800 || unit > 0xdfff)
        return unit;
    long low = unit < 0xdc00 ? ReadUnit(in, p.encoding) : -1;
    if (low >= 0xdc00 && low <= 0xdfff)
        return 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
    p.heldUnit = low;
    return 0xfffd;
}

// Puts the code point's UTF-8 bytes in pending.
void QueueUtf8(PipedInput& p, long c)
{
    int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    static const unsigned char kLead[] = {0, 0, 0xc0, 0xe0, 0xf0};
    for (int k = n - 1; k > 0; --k, c >>= 6)
        p.pending[k] = static_cast<unsigned char>(0x80 | (c & 0x3f));
    p.pending[0] = static_cast<unsigned char>(n == 1 ? c : kLead[n] | c);
    p.next = 0;
    p.count = n;
}

// Reads the start of the input in binary, for its byte-order mark.
void StartPipedInput(std::FILE* in, PipedInput& p)
{
    (void)_setmode(_fileno(in), _O_BINARY);
    int first = std::getc(in);
    int second = first == 0xef || first == 0xff || first == 0xfe ? std::getc(in) : EOF;
    int third = first == 0xef && second == 0xbb ? std::getc(in) : EOF;
    p.encoding = first == 0xff && second == 0xfe ? Encoding::Utf16Le
        : first == 0xfe && second == 0xff        ? Encoding::Utf16Be
                                                 : Encoding::Bytes;
    bool utf8Mark = first == 0xef && second == 0xbb && third == 0xbf;
    if (p.encoding != Encoding::Bytes || utf8Mark)
        return;
    for (int c : {first, second, third})
        if (c != EOF)
            p.pending[p.count++] = static_cast<unsigned char>(c);
}

// The next byte of the input as it is encoded, UTF-16 turned into UTF-8.
int ReadByte(std::FILE* in, PipedInput& p)
{
    if (p.next == p.count && p.encoding != Encoding::Bytes) {
        long c = ReadCodePoint(in, p);
        if (c < 0)
            return EOF;
        QueueUtf8(p, c);
    }
    return p.next < p.count ? p.pending[p.next++] : std::getc(in);
}

} // namespace

int GetPipedByte(std::FILE* in)
{
    if (piped.encoding == Encoding::Unknown)
        StartPipedInput(in, piped);
    if (piped.ended)
        return EOF;
    int c = piped.heldByte != kNone ? piped.heldByte : ReadByte(in, piped);
    piped.heldByte = kNone;
    if (c == '\r') {
        int after = ReadByte(in, piped);
        if (after == '\n')
            return '\n';
        piped.heldByte = after;
    }
    piped.ended = c == kCtrlZ || c == EOF;
    return piped.ended ? EOF : c;
}
