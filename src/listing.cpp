#include "listing.h"

#include "catalogue.h"
#include "console.h"
#include "listed.h"
#include "listed_file.h"
#include "messages.h"
#include "record.h"
#include "record_file.h"
#include "standard_streams.h"
#include "workbook.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr auto kRecordSizeLL = static_cast<long long>(kRecordSize);

} // namespace

namespace {

// Where the reading of a file of that length (-1: none) starts: at the
// offset, then at the last records after it, or past the records passed
// over.
long long StartOf(const ListOptions& options, long long length)
{
    long long start = length >= 0 ? std::min(options.offset, length) : 0;
    long long records = length >= 0 ? (length - start) / kRecordSizeLL : 0;
    long long passed =
        options.last >= 0 ? std::max(0LL, records - options.last) : std::min(options.from, records);
    return start + passed * kRecordSizeLL;
}

// Starts the reading where the options have it: at the offset, or at the
// last records after it; sought where the file can seek, else read and
// dropped. A regular file is read up to its length at the first look, a
// device such as /dev/null has one too, a pipe none.
bool PlaceStart(Listed& listed)
{
    const ListOptions& options = *listed.options;
    Reason why = kNoReason;
    listed.cursor.limit = -1;
    // A followed file is known to be a regular one: its length is a limit.
    if ((listed.follow.following || IsRegularFile(listed.cursor.file, why)) && !TakeFirstLimit(listed))
        return false;
    bool seeks = options.last >= 0 || options.from > 0;
    listed.length =
        listed.cursor.limit >= 0 || !seeks ? listed.cursor.limit : FileLength(listed.cursor.file, why);
    if (seeks && listed.length < 0) {
        Warn(listed.output, "--last needs a file that can seek");
        return false;
    }
    long long start = StartOf(options, listed.length);
    if (start > 0 && (why = SeekTo(listed.cursor.file, start)) != kNoReason) {
        Warn(listed.output, DescribeReason(why));
        return false;
    }
    listed.cursor.read = start;
    listed.cursor.listedEnd = start;
    listed.cursor.skip = std::max(0LL, options.offset - start);
    listed.first = IndexFrom(options.offset, start + listed.cursor.skip);
    listed.index = listed.first;
    return true;
}

// Lists the file's records, to its end.
int ListRecords(Listed& listed)
{
    int status = kListClean;
    for (;;) {
        Reason why = kNoReason;
        long long n = ReadBlock(listed.cursor, why);
        if (n >= 0 && !StartListing(listed.output, *listed.options))
            return kListFailed;
        if (n < 0) {
            Warn(listed.output, DescribeReason(why));
            listed.failed = true;
        }
        if (n <= 0)
            break;
        status = std::max(status, ListTaken(listed));
        if (std::ferror(listed.output.out) != 0)
            return kListFailed;
    }
    return EndListing(listed, status);
}

} // namespace

bool IsListingOutput(const char* name)
{
    if (std::strcmp(name, "-") != 0)
        return NamesStandardOutput(name);
    Reason why = kNoReason;
    return IsRegularFile(StandardInput(), why) && DialogueOf(StandardInput()) == Dialogue::Output;
}

namespace {

// Opens the file to list, standard input for "-" unless it was closed.
FileHandle OpenToList(ListedOutput& output, const ListOptions& options, Reason& why)
{
    if (std::strcmp(output.name, "-") == 0) {
        why = options.inputClosed;
        return why == kNoReason ? StandardInput() : kNoFile;
    }
    return options.follow ? OpenToFollow(output, why) : OpenListedFile(output.name, why);
}

// Lists the open file from where the options have it; followed only when
// it is a file that can grow (a FIFO ends when its writer closes it).
int ListOpened(Listed& listed)
{
    listed.follow.following = listed.options->follow && CanGrow(listed);
    listed.cursor.atOwnOffset = listed.follow.following;
    if (!PlaceStart(listed))
        return kListFailed;
    // Watched before the first read, so that no write after it goes unseen.
    listed.follow.watch = listed.follow.following ? StartWatch(listed.output.name) : kNoWatch;
    int status = listed.follow.following ? FollowRecords(listed) : ListRecords(listed);
    StopWatch(listed.follow.watch);
    return status;
}

// Lists the open file, unless it is standard output, and closes it.
int ListOpenFile(Listed& listed)
{
    // Its own listing read back as records would grow it without end.
    Reason why = kNoReason;
    listed.isOutput =
        IsRegularFile(listed.cursor.file, why) && DialogueOf(listed.cursor.file) == Dialogue::Output;
    if (listed.isOutput)
        Warn(listed.output, "is standard output");
    int status = listed.isOutput ? kListFailed : ListOpened(listed);
    why = listed.cursor.file != StandardInput() ? CloseFile(listed.cursor.file) : kNoReason;
    if (why != kNoReason && status != kListFailed) {
        Warn(listed.output, DescribeReason(why));
        status = kListFailed;
    }
    return status;
}

// Readies the listing of the named file, before it is opened.
void StartListed(Listed& listed, const char* name, const ListOptions& options, std::FILE* out, std::FILE* err)
{
    // One file is listed at a time; its block is too large for a stack.
    alignas(4096) static char block[kBlockSize];
    listed.cursor.block = block;
    listed.output.name = name;
    listed.options = &options;
    listed.output.column = options.named && HasFileColumn(options.format) ? name : nullptr;
    listed.output.columnSize = listed.output.column != nullptr ? std::strlen(name) : 0;
    listed.output.out = out;
    listed.output.err = err;
    listed.output.book = options.book;
    listed.follow.watch = kNoWatch;
    listed.cursor.lastAt = -1;
    listed.output.form = LineForm{options.format, options.hex, nullptr, 0};
    listed.output.form.end = LineEndOf(out, listed.output.form.endSize);
    listed.output.shownIndex.value = -1;
    listed.output.progress = StartProgress(err, !options.progress);
}

} // namespace

int ListFile(const char* name, const ListOptions& options, bool& headed, std::FILE* out, std::FILE* err)
{
    Listed listed{};
    StartListed(listed, name, options, out, err);
    listed.output.headed = &headed;
    Reason why = kNoReason;
    listed.cursor.file = OpenToList(listed.output, options, why);
    int status = listed.cursor.file == kNoFile ? kListFailed : ListOpenFile(listed);
    if (listed.cursor.file == kNoFile)
        Warn(listed.output, DescribeReason(why));
    EraseProgress(listed.output.progress);
    if (options.format == ListFormat::Check && !listed.isOutput) {
        listed.found.records = listed.index - listed.first;
        listed.found.failed = status == kListFailed;
        PutCheckLine(out, name, listed.found);
    }
    return status;
}
