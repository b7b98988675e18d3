#include "messages.h"

#include "catalogue.h"
#include "console.h"
#include "escape.h"
#include "record.h"

#include <cstring>

namespace {

// Between what is said and its detail: French puts a no-break space before
// the colon. The frame "prog: NAME: " stays as GNU tools print it, in every
// language.
constexpr const char* kDetail = Untranslated(": ");

// Appends what fits of s to the line at p, up to end; returns the new end.
char* AppendCut(char* p, const char* end, const char* s)
{
    while (p < end && *s != '\0')
        *p++ = *s++;
    return p;
}

// Appends what fits of the text in room bytes, shown as messages show
// texts; a text cut short ends with "...".
char* AppendShown(char* p, std::size_t room, const char* text)
{
    constexpr char kCut[] = "...";
    std::size_t n = std::strlen(text);
    std::size_t used = 0;
    std::size_t shown = EscapeText(TextPolicy::Message, text, n, p, room, used);
    if (used == n || room < sizeof kCut)
        return p + shown;
    shown = EscapeText(TextPolicy::Message, text, n, p, room - (sizeof kCut - 1), used);
    std::memcpy(p + shown, kCut, sizeof kCut - 1);
    return p + shown + sizeof kCut - 1;
}

} // namespace

void PutMessage(std::FILE* err, const char* prog, const char* name, const char* what, const char* more)
{
    char line[kMessageSize];
    char* end = line + sizeof line - 1;
    char* p = AppendCut(line, end, prog);
    p = AppendCut(p, end, ": ");
    // A long name leaves room for what is said of it.
    if (name != nullptr) {
        p = AppendShown(p, static_cast<std::size_t>(end - p) / 2, name);
        p = AppendCut(p, end, ": ");
    }
    p = AppendCut(p, end, Translate(what));
    // What comes from outside, a word of the command line or the system's
    // reason, is shown as names are.
    if (more != nullptr) {
        p = AppendCut(p, end, Translate(kDetail));
        p = AppendShown(p, static_cast<std::size_t>(end - p), more);
    }
    *p++ = '\n';
    PutBytes(err, line, static_cast<std::size_t>(p - line));
}

void PutSystemError(std::FILE* err, const char* prog, const char* name, Reason why)
{
    PutMessage(err, prog, name, DescribeReason(why));
}

const char* GroupCount(long long n, char (&out)[kCountSize])
{
    // The catalogue's: its text itself means no separator.
    constexpr const char* kGroupMark = Untranslated("GROUP SEPARATOR OF A COUNT'S DIGITS, OR NONE");
    const char* mark = Translate(kGroupMark);
    mark = mark == kGroupMark || std::strlen(mark) > 4 ? "" : mark;
    char digits[kNumberSize];
    char* end = AppendNumber(digits, n);
    auto count = static_cast<std::size_t>(end - digits);
    std::size_t sign = digits[0] == '-' ? 1 : 0;
    char* p = out;
    for (std::size_t k = 0; k < count; ++k) {
        *p++ = digits[k];
        std::size_t left = count - k - 1;
        if (k >= sign && left > 0 && left % 3 == 0)
            p = std::strcpy(p, mark) + std::strlen(mark);
    }
    *p = '\0';
    return out;
}

bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog)
{
    if (FlushOutput(out) && std::ferror(out) == 0)
        return true;
    Reason why = OutputFailure(out);
    PutMessage(err, prog, nullptr, "write error on standard output",
        why != kNoReason ? DescribeReason(why) : nullptr);
    return false;
}
