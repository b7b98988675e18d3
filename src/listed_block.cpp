// A block of a file's bytes, read and listed: its whole records as lines
// gathered to go out in one write, the rest held for the next block; the
// start and the end of a file's listing, and its warnings.
#include "listed.h"

#include "catalogue.h"
#include "console.h"
#include "list_format.h"
#include "listed_file.h"
#include "messages.h"
#include "record.h"
#include "record_text.h"
#include "workbook.h"

#include <algorithm>
#include <cstring>

namespace {

// Lists one record as the format does, or only checks it; false when its
// text has no NUL. Its line joins those that go out together, unless its
// file column is too long for them.
bool ListRecord(Listed& listed, const char* bytes)
{
    if (listed.format == ListFormat::Check)
        return std::memchr(bytes + offsetof(Record, tampon), '\0', kTamponSize) != nullptr;
    if (listed.format == ListFormat::Xlsx)
        return PutRecordRow(*listed.book, listed.column, listed.index, bytes, listed.err);
    std::size_t room = LineRoom(listed.columnSize);
    if (room > sizeof listed.lines) {
        PutPendingLines(listed);
        return PutRecordLine(listed.out, listed.format, listed.column, listed.index, bytes);
    }
    if (sizeof listed.lines - listed.linesUsed < room)
        PutPendingLines(listed);
    if (listed.shownIndex.value != listed.index)
        StartCount(listed.shownIndex, listed.index);
    bool terminated = true;
    char* end = FormatRecordLine(listed.lines + listed.linesUsed, listed.format, listed.column,
        listed.shownIndex, bytes, listed.lineEnd, listed.lineEndSize, terminated);
    listed.linesUsed = static_cast<std::size_t>(end - listed.lines);
    CountOne(listed.shownIndex);
    return terminated;
}

// Keeps what ends the whole records listed, to tell a rewrite, and the
// bytes after them at the block's start.
void KeepAfter(Listed& listed, std::size_t whole)
{
    if (whole > 0) {
        std::memcpy(listed.last, listed.block + whole - kRecordSize, kRecordSize);
        listed.listedEnd = listed.read - static_cast<long long>(listed.have - whole);
        listed.lastAt = listed.listedEnd - static_cast<long long>(kRecordSize);
        listed.lastIndex = listed.index - 1;
    }
    std::memmove(listed.block, listed.block + whole, listed.have - whole);
    listed.have -= whole;
}

// Lists the whole records of the block and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(Listed& listed)
{
    int status = kListClean;
    std::size_t whole = listed.have / kRecordSize * kRecordSize;
    // A check of whole records that all end in a NUL only counts them.
    bool counted = listed.format == ListFormat::Check && AllTextsEnd(listed.block, whole / kRecordSize);
    listed.index += counted ? static_cast<long long>(whole / kRecordSize) : 0;
    for (std::size_t at = 0; !counted && at < whole; at += kRecordSize, ++listed.index) {
        if (!ListRecord(listed, listed.block + at)) {
            // A check of a file that holds no records says only the first.
            if (++listed.found.unterminated <= kProblemsSaid || listed.format != ListFormat::Check) {
                char what[256];
                std::snprintf(what, sizeof what, Translate("record %lld: text not terminated"), listed.index);
                Warn(listed, what);
            }
            status = kListWarned;
        }
    }
    KeepAfter(listed, whole);
    PutPendingLines(listed);
    return status;
}

// Takes the n bytes just read after those held, less what is still to skip.
void TakeRead(Listed& listed, std::size_t n)
{
    char* p = listed.block + listed.have;
    std::size_t drop =
        static_cast<unsigned long long>(listed.skip) < n ? static_cast<std::size_t>(listed.skip) : n;
    std::memmove(p, p + drop, n - drop);
    listed.skip -= static_cast<long long>(drop);
    listed.have += n - drop;
    listed.read += static_cast<long long>(n);
}

// Warns of n of something, as the format of its form for n says, the
// count grouped as the user's language writes it.
void WarnCount(Listed& listed, const char* format, long long n)
{
    char what[256];
    char count[kCountSize];
    std::snprintf(what, sizeof what, format, GroupCount(n, count));
    Warn(listed, what);
}

// The checks at the end of a file that is not followed.
int CheckEnd(Listed& listed)
{
    if (long long more = listed.found.unterminated - kProblemsSaid;
        more > 0 && listed.format == ListFormat::Check)
        WarnCount(listed,
            TranslatePlural("%s more text not terminated", "%s more texts not terminated",
                static_cast<unsigned long long>(more)),
            more);
    if (listed.skip > 0) {
        listed.found.shorterThanOffset = true;
        Warn(listed, "shorter than the offset");
        return kListWarned;
    }
    listed.found.trailing = static_cast<long long>(listed.have);
    if (listed.have == 0)
        return kListClean;
    WarnCount(
        listed, TranslatePlural("%s trailing byte", "%s trailing bytes", listed.have), listed.found.trailing);
    return kListWarned;
}

} // namespace

void Warn(Listed& listed, const char* what, const char* more)
{
    PutPendingLines(listed);
    EraseProgress(listed.progress);
    FlushOutput(listed.out);
    PutMessage(listed.err, kListProgram, listed.name, what, more);
}

bool StartListing(Listed& listed)
{
    const ListOptions& options = *listed.options;
    if (listed.started)
        return true;
    if (!*listed.headed && options.format == ListFormat::Xlsx &&
        !StartWorkbook(*options.book, options.named, listed.err))
        return false;
    if (!*listed.headed)
        PutHeader(listed.out, options);
    *listed.headed = true;
    listed.started = true;
    if (options.named)
        PutFileStart(listed.out, listed.format, listed.name);
    return true;
}

int EndListing(Listed& listed, int status)
{
    if (listed.failed || std::ferror(listed.out) != 0)
        return kListFailed;
    if (listed.stop != nullptr)
        Warn(listed, listed.stop);
    // A follow that met a lasting failure never ends as if it had not.
    if (listed.stop != nullptr || listed.failureSaid)
        return kListWarned;
    return std::max(status, CheckEnd(listed));
}

void PutPendingLines(Listed& listed)
{
    if (listed.linesUsed > 0)
        PutBytes(listed.out, listed.lines, listed.linesUsed);
    listed.linesUsed = 0;
}

long long ReadBlock(Listed& listed, Reason& why)
{
    // Up to a page's start in the file, where the system copies fastest.
    std::size_t asked = kBlockSize - listed.have;
    asked -= static_cast<std::size_t>(listed.read + static_cast<long long>(asked)) % 4096;
    if (listed.limit >= 0)
        asked = static_cast<std::size_t>(
            std::clamp(listed.limit - listed.read, 0LL, static_cast<long long>(asked)));
    // A follower reads where it stands in its own count, so that a read it
    // takes back leaves nothing to put back in the file.
    char* into = listed.block + listed.have;
    long long n = asked == 0 ? 0
        : listed.following   ? ReadAt(listed.file, listed.read, into, asked, why)
                             : ReadSome(listed.file, into, asked, why);
    listed.shortRead = n < static_cast<long long>(asked);
    if (n > 0)
        TakeRead(listed, static_cast<std::size_t>(n));
    return n;
}

int ListTaken(Listed& listed)
{
    int status = ListBlock(listed);
    TickProgress(listed.progress, listed.name, listed.index - listed.first, listed.read, listed.length);
    // A pipe that has no more for now may be held open by a slow writer:
    // its records go out as they come.
    if (listed.shortRead)
        FlushOutput(listed.out);
    return status;
}
