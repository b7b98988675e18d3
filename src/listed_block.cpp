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

// Lists one record, the index-th, as the format does, or only checks it;
// false when its text has no NUL. Its line joins those that go out
// together, unless its file column is too long for them.
bool ListRecord(ListedOutput& output, long long index, const char* bytes, const LookedText& text)
{
    if (output.form.format == ListFormat::Check)
        return std::memchr(bytes + offsetof(Record, tampon), '\0', kTamponSize) != nullptr;
    if (output.form.format == ListFormat::Xlsx)
        return PutRecordRow(*output.book, output.column, index, bytes, output.err);
    std::size_t room = LineRoom(output.columnSize);
    if (room > sizeof output.lines) {
        PutPendingLines(output);
        return PutRecordLine(output.out, output.form.format, output.column, index, bytes, output.form.hex);
    }
    if (sizeof output.lines - output.linesUsed < room)
        PutPendingLines(output);
    if (output.shownIndex.value != index)
        StartCount(output.shownIndex, index);
    char* end = FormatRecordLine(
        output.lines + output.linesUsed, output.form, output.column, output.shownIndex, bytes, text);
    output.linesUsed = static_cast<std::size_t>(end - output.lines);
    CountOne(output.shownIndex);
    return text.look.size < kTamponSize;
}

// Lists as many of count records from bytes as go by lines alone, the first
// of them the index-th: up to the first text without its NUL, which the
// listing says. Returns how many it listed.
std::size_t ListLines(ListedOutput& output, long long index, const char* bytes, const TextLook* looks,
    const TextMarks* marks, std::size_t count)
{
    if (!HasLines(output.form.format) || output.column != nullptr)
        return 0;
    if (output.shownIndex.value != index)
        StartCount(output.shownIndex, index);
    std::size_t listed = 0;
    while (listed < count && looks[listed].size < kTamponSize) {
        if (sizeof output.lines - output.linesUsed < kLineRoom)
            PutPendingLines(output);
        char* at = output.lines + output.linesUsed;
        listed += FormatRecordLines(at, output.lines + sizeof output.lines, output.form, output.shownIndex,
            bytes + listed * kRecordSize, looks + listed, marks + listed, count - listed);
        output.linesUsed = static_cast<std::size_t>(at - output.lines);
    }
    return listed;
}

// Says that the index-th record's text has no NUL; a check of a file that
// holds no records says only the first.
int SayUnterminated(ListedOutput& output, FileCheck& found, long long index)
{
    if (++found.unterminated <= kProblemsSaid || output.form.format != ListFormat::Check) {
        char what[256];
        std::snprintf(what, sizeof what, Translate("record %lld: text not terminated"), index);
        Warn(output, what);
    }
    return kListWarned;
}

// The records whose texts one pass looks at before their lines are made.
constexpr std::size_t kLooked = 64;

// Lists count records from bytes, the first of them the index-th; warns
// for each text without its NUL.
int ListRecords(
    ListedOutput& output, FileCheck& found, long long& index, const char* bytes, std::size_t count)
{
    int status = kListClean;
    TextLook looks[kLooked] = {};
    TextMarks marks[kLooked];
    if (HasLines(output.form.format))
        LookAtTexts(TextOf(output.form.format), bytes, count, looks, marks);
    for (std::size_t r = 0; r < count; ++r, ++index) {
        std::size_t listed =
            ListLines(output, index, bytes + r * kRecordSize, looks + r, marks + r, count - r);
        r += listed;
        index += static_cast<long long>(listed);
        if (r == count)
            break;
        if (!ListRecord(output, index, bytes + r * kRecordSize, LookedText{looks[r], &marks[r]}))
            status = SayUnterminated(output, found, index);
    }
    return status;
}

// Keeps what ends the whole records listed, to tell a rewrite, and the
// bytes after them at the block's start.
void KeepAfter(ReadCursor& cursor, std::size_t whole)
{
    if (whole > 0) {
        std::memcpy(cursor.last, cursor.block + whole - kRecordSize, kRecordSize);
        cursor.listedEnd = cursor.read - static_cast<long long>(cursor.have - whole);
        cursor.lastAt = cursor.listedEnd - static_cast<long long>(kRecordSize);
    }
    std::memmove(cursor.block, cursor.block + whole, cursor.have - whole);
    cursor.have -= whole;
}

// Lists the whole records of the block and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(Listed& listed)
{
    ListedOutput& output = listed.output;
    int status = kListClean;
    std::size_t whole = listed.cursor.have / kRecordSize * kRecordSize;
    // A check of whole records that all end in a NUL only counts them.
    bool counted =
        output.form.format == ListFormat::Check && AllTextsEnd(listed.cursor.block, whole / kRecordSize);
    listed.index += counted ? static_cast<long long>(whole / kRecordSize) : 0;
    for (std::size_t at = 0; !counted && at < whole; at += kLooked * kRecordSize) {
        std::size_t count = std::min(kLooked, (whole - at) / kRecordSize);
        status = std::max(
            status, ListRecords(output, listed.found, listed.index, listed.cursor.block + at, count));
    }
    listed.lastIndex = whole > 0 ? listed.index - 1 : listed.lastIndex;
    KeepAfter(listed.cursor, whole);
    PutPendingLines(output);
    return status;
}

// Takes the n bytes just read after those held, less what is still to skip.
void TakeRead(ReadCursor& cursor, std::size_t n)
{
    char* p = cursor.block + cursor.have;
    std::size_t drop =
        static_cast<unsigned long long>(cursor.skip) < n ? static_cast<std::size_t>(cursor.skip) : n;
    std::memmove(p, p + drop, n - drop);
    cursor.skip -= static_cast<long long>(drop);
    cursor.have += n - drop;
    cursor.read += static_cast<long long>(n);
}

// Warns of n of something, as the format of its form for n says, the
// count grouped as the user's language writes it.
void WarnCount(ListedOutput& output, const char* format, long long n)
{
    char what[256];
    char count[kCountSize];
    std::snprintf(what, sizeof what, format, GroupCount(n, count));
    Warn(output, what);
}

// The checks at the end of a file that is not followed.
int CheckEnd(const ReadCursor& cursor, ListedOutput& output, FileCheck& found)
{
    if (long long more = found.unterminated - kProblemsSaid;
        more > 0 && output.form.format == ListFormat::Check)
        WarnCount(output,
            TranslatePlural("%s more text not terminated", "%s more texts not terminated",
                static_cast<unsigned long long>(more)),
            more);
    // An offset past the end lists nothing, as tail -c +N does.
    found.trailing = static_cast<long long>(cursor.have);
    if (cursor.skip > 0 || cursor.have == 0)
        return kListClean;
    // A check's line says them itself: they are not said twice.
    if (output.form.format != ListFormat::Check)
        WarnCount(
            output, TranslatePlural("%s trailing byte", "%s trailing bytes", cursor.have), found.trailing);
    return kListWarned;
}

} // namespace

void Warn(ListedOutput& output, const char* what, const char* more)
{
    PutPendingLines(output);
    EraseProgress(output.progress);
    FlushOutput(output.out);
    PutMessage(output.err, kListProgram, output.name, what, more);
}

bool StartListing(ListedOutput& output, const ListOptions& options)
{
    if (output.started)
        return true;
    if (!*output.headed && options.format == ListFormat::Xlsx &&
        !StartWorkbook(*options.book, options.named, output.err))
        return false;
    if (!*output.headed)
        PutHeader(output.out, options);
    *output.headed = true;
    output.started = true;
    if (options.named)
        PutFileStart(output.out, output.form.format, output.name);
    return true;
}

int EndListing(Listed& listed, int status)
{
    if (listed.failed || std::ferror(listed.output.out) != 0)
        return kListFailed;
    if (listed.follow.stop != nullptr)
        Warn(listed.output, listed.follow.stop);
    // A follow that met a lasting failure never ends as if it had not.
    if (listed.follow.stop != nullptr || listed.follow.failureSaid)
        return kListWarned;
    return std::max(status, CheckEnd(listed.cursor, listed.output, listed.found));
}

void PutPendingLines(ListedOutput& output)
{
    if (output.linesUsed > 0)
        PutBytes(output.out, output.lines, output.linesUsed);
    output.linesUsed = 0;
}

long long ReadBlock(ReadCursor& cursor, Reason& why)
{
    // Up to a page's start in the file, where the system copies fastest.
    std::size_t asked = kBlockSize - cursor.have;
    asked -= static_cast<std::size_t>(cursor.read + static_cast<long long>(asked)) % 4096;
    if (cursor.limit >= 0)
        asked = static_cast<std::size_t>(
            std::clamp(cursor.limit - cursor.read, 0LL, static_cast<long long>(asked)));
    char* into = cursor.block + cursor.have;
    long long n = asked == 0 ? 0
        : cursor.atOwnOffset ? ReadAt(cursor.file, cursor.read, into, asked, why)
                             : ReadSome(cursor.file, into, asked, why);
    cursor.shortRead = n < static_cast<long long>(asked);
    if (n > 0)
        TakeRead(cursor, static_cast<std::size_t>(n));
    return n;
}

int ListTaken(Listed& listed)
{
    int status = ListBlock(listed);
    TickProgress(listed.output.progress, listed.output.name, listed.index - listed.first, listed.cursor.read,
        listed.length);
    // A pipe that has no more for now may be held open by a slow writer:
    // its records go out as they come.
    if (listed.cursor.shortRead)
        FlushOutput(listed.output.out);
    return status;
}
