#include "dialogue.h"

#include "escape.h"
#include "messages.h"
#include "stdin_buffer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

constexpr char kProgram[] = "ecriture";
constexpr char kSeparator[] = "-----------------------\n";
// Two numbers and the text, each on its line, then the separator.
constexpr std::size_t kEchoSize = 2 * (kNumberSize + 1) + kTamponSize + 1 + sizeof kSeparator;

// True when a read of n bytes took its line up to the line end or the end
// of the input: nothing of it is left.
bool IsWhole(const char* line, std::size_t n, std::size_t size)
{
    return n < size - 1 || line[n - 1] == '\n';
}

bool ReadNumber(std::string_view prompt, std::int32_t& number, Console console, std::FILE* in, std::FILE* out,
    std::FILE* err)
{
    char line[kLineSize];
    std::size_t n = AskLine(prompt, line, sizeof line, console, in, out);
    if (n == 0)
        return false;
    number = ParseNumber(line);
    if (DropRestOfLine(line, n, console, in) > 0)
        PutMessage(err, kProgram, nullptr, "number line longer than 79 bytes: the rest of it is dropped");
    return true;
}

// Reads a line byte by byte, as the terminal or a slow pipe gives it.
std::size_t ReadLineBytes(std::FILE* in, char* line, std::size_t most)
{
    std::size_t n = 0;
    while (n < most) {
        int c = GetByte(in);
        if (c == EOF)
            break;
        line[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    return n;
}

char* AppendBytes(char* p, const char* bytes, std::size_t n)
{
    std::memcpy(p, bytes, n);
    return p + n;
}

void EchoRecord(const Record& rec, std::FILE* out)
{
    char echo[kEchoSize];
    char* p = AppendNumber(echo, rec.numero);
    *p++ = '\n';
    p = AppendNumber(p, rec.valeur);
    *p++ = '\n';
    p = AppendBytes(p, rec.tampon, strnlen(rec.tampon, sizeof rec.tampon));
    *p++ = '\n';
    p = AppendBytes(p, kSeparator, sizeof kSeparator - 1);
    PutBytes(out, echo, static_cast<std::size_t>(p - echo));
}

} // namespace

std::size_t ReadLine(std::FILE* in, char* line, std::size_t size)
{
    // Most lines stand whole in the input's buffer: they go at once.
    std::size_t n = TakeBufferedLine(in, line, size - 1);
    if (n == 0)
        n = ReadLineBytes(in, line, size - 1);
    line[n] = '\0';
    return n;
}

std::size_t AskLine(
    std::string_view prompt, char* line, std::size_t size, Console console, std::FILE* in, std::FILE* out)
{
    if (console == Console::Edited)
        return ReadEditedLine(prompt, line, size, out);
    PutBytes(out, prompt.data(), prompt.size());
    return ReadLine(in, line, size);
}

std::size_t DropLineRest(Console console, std::FILE* in)
{
    if (console == Console::Edited)
        return DropEditedLine();
    std::size_t dropped = 0;
    for (int c; (c = GetByte(in)) != EOF && c != '\n';)
        ++dropped;
    return dropped;
}

bool ReadName(std::string_view prompt, char* name, std::size_t size, bool& tooLong, Console console,
    std::FILE* in, std::FILE* out)
{
    std::size_t n = AskLine(prompt, name, size, console, in, out);
    tooLong = !IsWhole(name, n, size) && DropRestOfLine(name, n, console, in) > 0;
    if (n > 0 && name[n - 1] == '\n')
        DelNewLine(name);
    return n > 0;
}

bool ReadText(std::string_view prompt, char (&tampon)[kLineSize], Console console, std::FILE* in,
    std::FILE* out, std::FILE* err)
{
    std::size_t n = AskLine(prompt, tampon, sizeof tampon, console, in, out);
    if (n == 0)
        return false;
    if (tampon[n - 1] == '\n') {
        DelNewLine(tampon);
    } else if (n > kTextMost) {
        // Too long for the record: cut on a character, the rest dropped.
        std::size_t kept = FitUtf8(tampon, n, kTextMost);
        std::memset(tampon + kept, '\0', n - kept);
        DropRestOfLine(tampon, n, console, in);
        char what[64];
        std::snprintf(what, sizeof what, "text longer than 78 bytes: cut to %zu bytes", kept);
        PutMessage(err, kProgram, nullptr, what);
    }
    return true;
}

int ReadChar(std::string_view prompt, Console console, std::FILE* in, std::FILE* out)
{
    char line[kLineSize];
    std::size_t n = AskLine(prompt, line, sizeof line, console, in, out);
    if (n == 0)
        return EOF;
    DropRestOfLine(line, n, console, in);
    return static_cast<unsigned char>(line[0]);
}

void DelNewLine(char* s)
{
    std::size_t n = std::strlen(s);
    if (n > 0)
        s[n - 1] = '\0';
}

std::int32_t ParseNumber(const char* s)
{
    constexpr long long kMax = INT32_MAX;
    constexpr long long kMinMagnitude = kMax + 1;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+')
        ++s;
    // Held at one past the range once beyond it, so it cannot overflow.
    long long magnitude = 0;
    for (unsigned digit; (digit = static_cast<unsigned char>(*s) - 0x30U) <= 9; ++s)
        magnitude = std::min(magnitude * 10 + digit, kMinMagnitude + 1);
    if (negative)
        return static_cast<std::int32_t>(magnitude >= kMinMagnitude ? -kMinMagnitude : -magnitude);
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

bool SaiSieRecord(Record& rec, Console console, std::FILE* in, std::FILE* out, std::FILE* err)
{
    if (!ReadNumber("Saisie numero :", rec.numero, console, in, out, err))
        return false;
    if (!ReadNumber("Saisie valeur :", rec.valeur, console, in, out, err))
        return false;
    if (!ReadText("Saisie Tampon :", rec.tampon, console, in, out, err))
        return false;
    EchoRecord(rec, out);
    return true;
}

char* AppendNumber(char* p, long long v)
{
    // Most values fit in 32 bits, whose divisions cost less.
    if (v >= INT32_MIN && v <= INT32_MAX)
        return std::to_chars(p, p + kNumberSize, static_cast<std::int32_t>(v)).ptr;
    return std::to_chars(p, p + kNumberSize, v).ptr;
}
