#include "progress.h"

#include "catalogue.h"
#include "clock.h"
#include "console.h"
#include "escape.h"
#include "messages.h"
#include "standard_streams.h"

#include <algorithm>
#include <cstring>

namespace {

// How many of the n bytes of a UTF-8 line fit in columns less one, a
// character never cut: a line that wraps would leave its start on the
// screen at each update.
std::size_t FitColumns(const char* line, std::size_t n, std::size_t columns)
{
    if (columns == 0)
        return n;
    std::size_t shown = 0;
    for (std::size_t at = 0; at < n; ++at)
        if ((static_cast<unsigned char>(line[at]) & 0xC0) != 0x80 && ++shown == columns)
            return at;
    return n;
}

// Writes the line, line[0] a CR and made bytes after it, over the one
// before, whose end it covers; size is the room of line.
void ShowLine(Progress& progress, char* line, std::size_t made, std::size_t size)
{
    std::size_t n = 1 + FitColumns(line + 1, made, progress.columns);
    for (; n < progress.width + 1 && n < size; ++n)
        line[n] = ' ';
    PutBytes(progress.err, line, n);
    std::fflush(progress.err);
    progress.width = n - 1;
}

} // namespace

Progress StartProgress(std::FILE* err, bool off)
{
    long long now = off ? 0 : MonotonicMilliseconds();
    std::size_t columns = off ? 0 : static_cast<std::size_t>(TerminalColumns(err));
    return Progress{err, off, now, now, 0, columns};
}

void TickProgress(Progress& progress, const char* name, long long records, long long read, long long length)
{
    if (progress.off)
        return;
    long long now = MonotonicMilliseconds();
    if (now - progress.start < kProgressAfter || now - progress.shown < kProgressEvery)
        return;
    progress.shown = now;
    double seconds = static_cast<double>(now - progress.start) / 1000;
    char line[256] = "\r";
    std::size_t used = 0;
    std::size_t n = 1 + EscapeText(TextPolicy::Message, name, std::strlen(name), line + 1, 80, used);
    double rate = static_cast<double>(records) / seconds;
    char count[kCountSize];
    char perSecond[kCountSize];
    GroupCount(records, count);
    GroupCount(static_cast<long long>(rate), perSecond);
    int made = length > 0
        ? std::snprintf(line + n, sizeof line - n, Translate(": %s records, %lld%%, %s records/s"), count,
              std::min(100LL, read * 100 / length), perSecond)
        : std::snprintf(line + n, sizeof line - n, Translate(": %s records, %s records/s"), count, perSecond);
    n = made > 0 ? std::min(n + static_cast<std::size_t>(made), sizeof line - 1) : n;
    ShowLine(progress, line, n - 1, sizeof line);
}

void ShowWorkbookProgress(Progress& progress, long long records)
{
    if (progress.off || MonotonicMilliseconds() - progress.start < kProgressAfter)
        return;
    char line[256] = "\r";
    char count[kCountSize];
    int made = std::snprintf(line + 1, sizeof line - 1,
        TranslatePlural("writing the workbook: %s record", "writing the workbook: %s records",
            static_cast<unsigned long long>(records)),
        GroupCount(records, count));
    if (made > 0)
        ShowLine(progress, line, std::min(static_cast<std::size_t>(made), sizeof line - 2), sizeof line);
}

void EraseProgress(Progress& progress)
{
    if (progress.width == 0)
        return;
    char line[258];
    std::size_t n = std::min(progress.width, sizeof line - 2);
    line[0] = '\r';
    std::memset(line + 1, ' ', n);
    line[n + 1] = '\r';
    PutBytes(progress.err, line, n + 2);
    std::fflush(progress.err);
    progress.width = 0;
}
