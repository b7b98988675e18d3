#include "dialogue.h"

#include "stdin_buffer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

constexpr char kSeparator[] = "-----------------------\n";
constexpr std::size_t kLineMax = kLineSize - 1;
// Two numbers and the text, each on its line, then the separator.
constexpr std::size_t kEchoSize = 2 * (kNumberSize + 1) + kTamponSize + 1 + sizeof kSeparator;

bool ReadNumber(std::string_view prompt, std::int32_t& number, Console console, std::FILE* in, std::FILE* out)
{
    char line[kLineSize];
    if (AskLine(prompt, line, console, in, out) == 0)
        return false;
    number = ParseNumber(line);
    return true;
}

// Reads a line byte by byte, as the terminal or a slow pipe gives it.
std::size_t ReadLineBytes(std::FILE* in, char (&line)[kLineSize])
{
    std::size_t n = 0;
    while (n < kLineMax) {
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

std::size_t ReadLine(std::FILE* in, char (&line)[kLineSize])
{
    // Most lines stand whole in the input's buffer: they go at once.
    std::size_t n = TakeBufferedLine(in, line, kLineMax);
    if (n == 0)
        n = ReadLineBytes(in, line);
    line[n] = '\0';
    return n;
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

bool SaiSieRecord(Record& rec, Console console, std::FILE* in, std::FILE* out)
{
    if (!ReadNumber("Saisie numero :", rec.numero, console, in, out))
        return false;
    if (!ReadNumber("Saisie valeur :", rec.valeur, console, in, out))
        return false;
    if (!ReadTextLine("Saisie Tampon :", rec.tampon, console, in, out))
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
