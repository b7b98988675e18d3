#include "messages.h"

#include "platform.h"

#include <algorithm>
#include <cstring>
#include <getopt.h>

namespace {

bool IsContinuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// The length a sequence with this first byte claims; 0 for a byte that
// cannot begin one (a continuation, an overlong lead, past U+10FFFF).
std::size_t LeadLength(unsigned char c)
{
    return c < 0x80 ? 1 : c < 0xc2 ? 0 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : c < 0xf5 ? 4 : 0;
}

// C1 controls are valid UTF-8 but would steer a terminal like C0 ones.
bool IsC1Control(const unsigned char* s, std::size_t len)
{
    return len == 2 && s[0] == 0xc2 && s[1] < 0xa0;
}

char* AppendEscapedBytes(char* to, const unsigned char* s, std::size_t n)
{
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < n; ++i) {
        *to++ = '\\';
        *to++ = 'x';
        *to++ = kHex[s[i] >> 4];
        *to++ = kHex[s[i] & 15];
    }
    return to;
}

// Appends what fits of s to the line at p, up to end; returns the new end.
char* AppendCut(char* p, const char* end, const char* s)
{
    while (p < end && *s != '\0')
        *p++ = *s++;
    return p;
}

// Shows at to the one character or byte at s that is not plain ASCII, when
// its form fits before end: returns where the form ends, or null; len
// tells how many bytes of s it shows.
char* ShowUnit(const unsigned char* s, std::size_t n, char* to, const char* end, std::size_t& len)
{
    len = s[0] >= 0x80 ? MeasureUtf8(s, n) : 1;
    bool plain = len > 1 && !IsC1Control(s, len);
    len = len == 0 ? 1 : len;
    std::size_t shown = plain ? len : s[0] == '\\' ? 2 : 4 * len;
    if (shown > static_cast<std::size_t>(end - to))
        return nullptr;
    if (s[0] == '\\') {
        *to++ = '\\';
        *to++ = '\\';
        return to;
    }
    if (!plain)
        return AppendEscapedBytes(to, s, len);
    std::memcpy(to, s, len);
    return to + len;
}

} // namespace

std::size_t MeasureUtf8(const unsigned char* s, std::size_t n)
{
    unsigned char c = s[0];
    std::size_t len = LeadLength(c);
    if (len == 0 || len > n)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
        if (!IsContinuation(s[i]))
            return 0;
    // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
    if ((c == 0xe0 && s[1] < 0xa0) || (c == 0xed && s[1] > 0x9f) || (c == 0xf0 && s[1] < 0x90) ||
        (c == 0xf4 && s[1] > 0x8f))
        return 0;
    return len;
}

std::size_t ShowSome(const char* text, std::size_t n, char* to, std::size_t room, std::size_t& used)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    char* start = to;
    const char* end = to + room;
    std::size_t i = 0;
    while (i < n) {
        // Most texts are plain ASCII: a run of it goes at once.
        std::size_t run = i;
        while (run < n && s[run] >= 0x20 && s[run] < 0x7f && s[run] != '\\')
            ++run;
        std::size_t fit = std::min(run - i, static_cast<std::size_t>(end - to));
        std::memcpy(to, s + i, fit);
        to += fit;
        i += fit;
        if (i < run || i == n)
            break;
        std::size_t len = 0;
        char* next = ShowUnit(s + i, n - i, to, end, len);
        if (next == nullptr)
            break;
        to = next;
        i += len;
    }
    used = i;
    return static_cast<std::size_t>(to - start);
}

void PutShownText(std::FILE* out, const char* text, std::size_t n)
{
    // Four times a record's text: one pass for any text of the listing.
    char shown[320];
    while (n > 0) {
        std::size_t used = 0;
        PutBytes(out, shown, ShowSome(text, n, shown, sizeof shown, used));
        text += used;
        n -= used;
    }
}

void PutMessage(std::FILE* err, const char* prog, const char* name, const char* what, const char* more)
{
    char line[kMessageSize];
    char* end = line + sizeof line - 1;
    char* p = AppendCut(line, end, prog);
    p = AppendCut(p, end, ": ");
    std::size_t used = 0;
    if (name != nullptr) {
        p += ShowSome(name, std::strlen(name), p, static_cast<std::size_t>(end - p), used);
        p = AppendCut(p, end, ": ");
    }
    p = AppendCut(p, end, what);
    // What comes from outside, a word of the command line or the system's
    // reason, is shown as names are.
    if (more != nullptr) {
        p = AppendCut(p, end, ": ");
        p += ShowSome(more, std::strlen(more), p, static_cast<std::size_t>(end - p), used);
    }
    *p++ = '\n';
    PutBytes(err, line, static_cast<std::size_t>(p - line));
}

void PutSystemError(std::FILE* err, const char* prog, const char* name)
{
    PutMessage(err, prog, name, DescribeLastError());
}

void PutOptionError(std::FILE* err, const char* prog, int result, char* const* argv)
{
    // A long option is its whole word; a short one may stand in a cluster.
    const char* word = argv[optind - 1];
    char letter[3] = {'-', static_cast<char>(optopt), '\0'};
    if (std::strncmp(word, "--", 2) != 0 && optopt != 0)
        word = letter;
    PutMessage(err, prog, nullptr, result == ':' ? "option requires an argument" : "invalid option", word);
}

bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog)
{
    if (std::fflush(out) == 0 && std::ferror(out) == 0)
        return true;
    PutMessage(err, prog, nullptr, "write error on standard output");
    return false;
}

int ShowText(std::FILE* to, const char* prog, const char* first, const char* second, int status, int failed)
{
    std::fputs(first, to);
    std::fputs(second, to);
    if (to != stdout)
        return status;
    return CheckOutput(to, stderr, prog) ? status : failed;
}
