#include "listing.h"

#include "console.h"
#include "follow.h"
#include "list_format.h"
#include "listed_file.h"
#include "messages.h"
#include "record.h"
#include "record_file.h"
#include "standard_streams.h"
#include "workbook.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr std::size_t kBlockRecords = 1024;
// Whole records per read; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockSize = kBlockRecords * kRecordSize;
// One file's listing as it goes.
struct Listed {
    const char* name;
    ListFormat format;
    // The file column's name, or null.
    const char* column;
    std::FILE* out;
    std::FILE* err;
    Workbook* book;
    long long index;
    long long skip;
    // Bytes read from the file, those skipped included.
    long long read;
    // The last record listed and where it stands, to tell a rewrite; lastAt
    // is -1 before the first.
    char last[kRecordSize];
    long long lastAt;
    // What was wrong with it, for a check.
    FileCheck found;
    // A failure met while following it, which may pass: the looks in a row
    // that failed, and whether it was said.
    int failing;
    bool failureSaid;
};

// A failure that lasts this many looks in a row is said.
constexpr int kLastingFailure = 2;

// Why a followed file is no longer followed.
constexpr char kTruncated[] = "file truncated; no longer followed";
constexpr char kRewritten[] = "file truncated or rewritten; no longer followed";
constexpr char kReplaced[] = "file removed or replaced; no longer followed";

// A warning stands beside its file's records: the listing goes out first.
void Warn(const Listed& listed, const char* what)
{
    std::fflush(listed.out);
    PutMessage(listed.err, kListProgram, listed.name, what);
}

// Lists one record as the format does, or only checks it; false when its
// text has no NUL.
bool ListRecord(const Listed& listed, const char* bytes)
{
    if (listed.format == ListFormat::Check)
        return std::memchr(bytes + offsetof(Record, tampon), '\0', kTamponSize) != nullptr;
    if (listed.format == ListFormat::Xlsx)
        return PutRecordRow(*listed.book, listed.column, listed.index, bytes, listed.err);
    return PutRecordLine(listed.out, listed.format, listed.column, listed.index, bytes);
}

// Meets a failure while following, as tail -f does: it is tried again at
// the next look, and said once, when it lasts. Returns null: the follow
// goes on.
const char* MeetFailure(Listed& listed, Reason why)
{
    if (++listed.failing >= kLastingFailure && !listed.failureSaid) {
        std::fflush(listed.out);
        PutMessage(listed.err, kListProgram, listed.name, DescribeReason(why), "trying again");
        listed.failureSaid = true;
    }
    return nullptr;
}

// Lists the whole records of block[0, have) and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(Listed& listed, char* block, std::size_t& have)
{
    int status = kListClean;
    std::size_t whole = have / kRecordSize * kRecordSize;
    for (std::size_t at = 0; at < whole; at += kRecordSize, ++listed.index) {
        if (!ListRecord(listed, block + at)) {
            ++listed.found.unterminated;
            char what[64];
            std::snprintf(what, sizeof what, "record %lld: text not terminated", listed.index);
            Warn(listed, what);
            status = kListWarned;
        }
    }
    if (whole > 0) {
        std::memcpy(listed.last, block + whole - kRecordSize, kRecordSize);
        listed.lastAt =
            listed.read - static_cast<long long>(have - whole) - static_cast<long long>(kRecordSize);
    }
    std::memmove(block, block + whole, have - whole);
    have -= whole;
    return status;
}

// Drops what is still to skip from the n bytes just read at p; returns how
// many are left.
std::size_t DropSkipped(char* p, std::size_t n, long long& skip)
{
    std::size_t drop = static_cast<unsigned long long>(skip) < n ? static_cast<std::size_t>(skip) : n;
    std::memmove(p, p + drop, n - drop);
    skip -= static_cast<long long>(drop);
    return n - drop;
}

// Whether the followed file still holds what was read of it: the last
// record listed, and the held start of a record, block[0, held). Null when
// it does, else why it is no longer followed. A file cut back no further
// than the last record listed, as ecriture takes back a record that did not
// fit, is read again from there, what was held dropped.
const char* CheckListed(
    Listed& listed, FileHandle file, const char* block, std::size_t held, std::size_t& have)
{
    long long listedEnd = listed.read - static_cast<long long>(have);
    Reason why = kNoReason;
    long long length = FileLength(file, why);
    char now[kRecordSize];
    if (length < 0)
        return MeetFailure(listed, why);
    if (length < listedEnd)
        return kTruncated;
    long long last = listed.lastAt >= 0 ? ReadAt(file, listed.lastAt, now, sizeof now, why) : 0;
    if (why != kNoReason)
        return MeetFailure(listed, why);
    if (listed.lastAt >= 0 && (last != kRecordSize || std::memcmp(now, listed.last, sizeof now) != 0))
        return kRewritten;
    long long start = held > 0 ? ReadAt(file, listedEnd, now, held, why) : 0;
    if (why != kNoReason)
        return MeetFailure(listed, why);
    bool heldSame =
        held == 0 || (start == static_cast<long long>(held) && std::memcmp(now, block, held) == 0);
    if (length >= listed.read && heldSame) {
        listed.failing = 0;
        return nullptr;
    }
    if ((why = SeekTo(file, listedEnd)) != kNoReason)
        return MeetFailure(listed, why);
    listed.read = listedEnd;
    have = 0;
    return nullptr;
}

// Waits at the end of a followed file until it may have grown; the reason
// to stop following it, or null. A file that lost its name is read on to
// its end first: following turns false.
const char* AwaitGrowth(
    Listed& listed, FileHandle file, WatchHandle watch, const char* block, std::size_t& have, bool& following)
{
    AwaitChange(watch);
    Reason why = kNoReason;
    bool named = IsStillNamed(file, listed.name, why);
    if (why != kNoReason)
        return MeetFailure(listed, why);
    following = named;
    return following ? CheckListed(listed, file, block, have, have) : kReplaced;
}

// The checks at the end of a file that is not followed.
int CheckEnd(Listed& listed, std::size_t have)
{
    if (listed.skip > 0) {
        listed.found.shorterThanOffset = true;
        Warn(listed, "shorter than the offset");
        return kListWarned;
    }
    listed.found.trailing = static_cast<long long>(have);
    if (have > 0) {
        char what[64];
        std::snprintf(what, sizeof what, have == 1 ? "%zu trailing byte" : "%zu trailing bytes", have);
        Warn(listed, what);
        return kListWarned;
    }
    return kListClean;
}

// After a read that failed or gave nothing: true to read again, as a
// followed file may grow and a failure while following may pass; false
// when the listing ends, failed set when it failed.
bool ReadAgain(Listed& listed, FileHandle file, const WatchHandle* watch, long long n, Reason why,
    const char* block, std::size_t& have, bool& following, const char*& stop, bool& failed)
{
    if (n < 0 && following) {
        MeetFailure(listed, why);
        AwaitChange(*watch);
        return true;
    }
    if (n < 0) {
        Warn(listed, DescribeReason(why));
        failed = true;
        return false;
    }
    if (!following || std::fflush(listed.out) != 0)
        return false;
    stop = AwaitGrowth(listed, file, *watch, block, have, following);
    return stop == nullptr || !following;
}

// Lists the file's records; with a watch, waits at its end for more, and
// nothing read after a truncation or a rewrite is listed.
int ListRecords(Listed& listed, FileHandle file, const WatchHandle* watch)
{
    char block[kBlockSize];
    std::size_t have = 0;
    int status = kListClean;
    const char* stop = nullptr;
    bool failed = false;
    for (bool following = watch != nullptr;;) {
        std::size_t asked = sizeof block - have;
        Reason why = kNoReason;
        long long n = ReadSome(file, block + have, asked, why);
        if (n <= 0 && ReadAgain(listed, file, watch, n, why, block, have, following, stop, failed))
            continue;
        if (n <= 0)
            break;
        std::size_t held = have;
        listed.failing = 0;
        listed.read += n;
        have += DropSkipped(block + have, static_cast<std::size_t>(n), listed.skip);
        if (following && (stop = CheckListed(listed, file, block, held, have)) != nullptr)
            break;
        status = std::max(status, ListBlock(listed, block, have));
        // A pipe that has no more for now may be held open by a slow writer:
        // its records go out as they come.
        if (static_cast<std::size_t>(n) < asked)
            std::fflush(listed.out);
        if (std::ferror(listed.out) != 0)
            return kListFailed;
    }
    if (failed || std::ferror(listed.out) != 0)
        return kListFailed;
    if (stop != nullptr)
        Warn(listed, stop);
    // A follow that met a lasting failure never ends as if it had not.
    if (stop != nullptr || listed.failureSaid)
        return kListWarned;
    return std::max(status, CheckEnd(listed, have));
}

} // namespace

bool ParseOffset(const char* s, long long& offset)
{
    if (*s == '\0')
        return false;
    long long v = 0;
    for (; *s != '\0'; ++s) {
        if (*s < '0' || *s > '9' || v > (LLONG_MAX - (*s - '0')) / 10)
            return false;
        v = v * 10 + (*s - '0');
    }
    offset = v;
    return true;
}

namespace {

// Opens the file to list, standard input for "-" unless it was closed; one
// to follow that has not been made yet is waited for, as tail -F does, the
// wait said once.
FileHandle OpenToList(const Listed& listed, const ListOptions& options, Reason& why)
{
    bool follow = options.follow;
    if (std::strcmp(listed.name, "-") == 0) {
        why = options.inputClosed;
        return why == kNoReason ? StandardInput() : kNoFile;
    }
    FileHandle file = OpenListedFile(listed.name, why);
    if (file == kNoFile && follow && MeansNoSuchFile(why)) {
        Warn(listed, "does not exist yet; waiting for it");
        while ((file = OpenListedFile(listed.name, why)) == kNoFile && MeansNoSuchFile(why))
            AwaitChange(kNoWatch);
    }
    return file;
}

// Whether the open file can grow while it is followed, as a regular file
// does (a FIFO ends when its writer closes it); a failure to tell is met as
// a follower meets one.
bool CanGrow(Listed& listed, FileHandle file)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(file, why);
    for (; why != kNoReason; regular = IsRegularFile(file, why)) {
        MeetFailure(listed, why);
        AwaitChange(kNoWatch);
    }
    listed.failing = 0;
    return regular;
}

// Lists the open file, after the header if none was written yet and its
// banner; followed only when it is a file that can grow (a FIFO ends when
// its writer closes it).
int ListOpened(Listed& listed, FileHandle file, const ListOptions& options, bool& headed)
{
    if (!headed && options.format == ListFormat::Xlsx &&
        !StartWorkbook(*options.book, options.named, listed.err))
        return kListFailed;
    if (!headed)
        PutHeader(listed.out, options);
    headed = true;
    if (options.named)
        PutFileStart(listed.out, listed.format, listed.name);
    bool follow = options.follow && CanGrow(listed, file);
    // Watched before the first read, so that no write after it goes unseen.
    WatchHandle watch = follow ? StartWatch(listed.name) : kNoWatch;
    int status = ListRecords(listed, file, follow ? &watch : nullptr);
    StopWatch(watch);
    return status;
}

// Lists the open file, unless it is standard output, and closes it.
int ListOpenFile(Listed& listed, FileHandle file, const ListOptions& options, bool& headed)
{
    // Its own listing read back as records would grow it without end.
    Reason why = kNoReason;
    bool isOutput = IsRegularFile(file, why) && DialogueOf(file) == Dialogue::Output;
    if (isOutput)
        Warn(listed, "is standard output");
    int status = isOutput ? kListFailed : ListOpened(listed, file, options, headed);
    why = file != StandardInput() ? CloseFile(file) : kNoReason;
    if (why != kNoReason && status != kListFailed) {
        Warn(listed, DescribeReason(why));
        status = kListFailed;
    }
    return status;
}

} // namespace

int ListFile(const char* name, const ListOptions& options, bool& headed, std::FILE* out, std::FILE* err)
{
    const char* column = options.named && HasFileColumn(options.format) ? name : nullptr;
    Listed listed{
        name, options.format, column, out, err, options.book, 0, options.offset, 0, {}, -1, {}, 0, false};
    Reason why = kNoReason;
    FileHandle file = OpenToList(listed, options, why);
    int status = kListFailed;
    if (file == kNoFile)
        Warn(listed, DescribeReason(why));
    else
        status = ListOpenFile(listed, file, options, headed);
    if (options.format == ListFormat::Check) {
        listed.found.records = listed.index;
        listed.found.failed = status == kListFailed;
        PutCheckLine(out, name, listed.found);
    }
    return status;
}
