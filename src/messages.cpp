#include "messages.h"

#include "console.h"
#include "escape.h"

#include <cstring>

namespace {

// Appends what fits of s to the line at p, up to end; returns the new end.
char* AppendCut(char* p, const char* end, const char* s)
{
    while (p < end && *s != '\0')
        *p++ = *s++;
    return p;
}

// Appends what fits of the text, shown as messages show texts.
char* AppendShown(char* p, const char* end, const char* text)
{
    std::size_t used = 0;
    return p +
        EscapeText(TextPolicy::Message, text, std::strlen(text), p, static_cast<std::size_t>(end - p), used);
}

} // namespace

void PutMessage(std::FILE* err, const char* prog, const char* name, const char* what, const char* more)
{
    char line[kMessageSize];
    char* end = line + sizeof line - 1;
    char* p = AppendCut(line, end, prog);
    p = AppendCut(p, end, ": ");
    if (name != nullptr) {
        p = AppendShown(p, end, name);
        p = AppendCut(p, end, ": ");
    }
    p = AppendCut(p, end, what);
    // What comes from outside, a word of the command line or the system's
    // reason, is shown as names are.
    if (more != nullptr) {
        p = AppendCut(p, end, ": ");
        p = AppendShown(p, end, more);
    }
    *p++ = '\n';
    PutBytes(err, line, static_cast<std::size_t>(p - line));
}

void PutSystemError(std::FILE* err, const char* prog, const char* name, Reason why)
{
    PutMessage(err, prog, name, DescribeReason(why));
}

bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog)
{
    if (std::fflush(out) == 0 && std::ferror(out) == 0)
        return true;
    PutMessage(err, prog, nullptr, "write error on standard output");
    return false;
}
