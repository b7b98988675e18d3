#include "progress.h"

#include "catalogue.h"
#include "clock.h"
#include "console.h"
#include "escape.h"

#include <algorithm>
#include <cstring>

Progress StartProgress(std::FILE* err, bool off)
{
    long long now = off ? 0 : MonotonicMilliseconds();
    return Progress{err, off, now, now, 0};
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
    int made = length > 0
        ? std::snprintf(line + n, sizeof line - n, Translate(": %lld records, %lld%%, %.0f records/s"),
              records, read * 100 / length, rate)
        : std::snprintf(
              line + n, sizeof line - n, Translate(": %lld records, %.0f records/s"), records, rate);
    n = made > 0 ? std::min(n + static_cast<std::size_t>(made), sizeof line - 1) : n;
    // A shorter line covers the end of the one before.
    for (; n < progress.width + 1 && n < sizeof line - 1; ++n)
        line[n] = ' ';
    PutBytes(progress.err, line, n);
    std::fflush(progress.err);
    progress.width = n - 1;
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
