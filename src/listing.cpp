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

// Starts the reading where the options have it: at the offset, or at the
// last records after it; sought where the file can seek, else read and
// dropped. A regular file is read up to its length at the first look, a
// device such as /dev/null has one too, a pipe none.
bool PlaceStart(Listed& listed)
{
    const ListOptions& options = *listed.options;
    Reason why = kNoReason;
    listed.limit = -1;
    // A followed file is known to be a regular one: its length is a limit.
    if ((listed.following || IsRegularFile(listed.file, why)) && !TakeFirstLimit(listed))
        return false;
    listed.length = listed.limit >= 0 || options.last < 0 ? listed.limit : FileLength(listed.file, why);
    if (options.last >= 0 && listed.length < 0) {
        Warn(listed, "--last needs a file that can seek");
        return false;
    }
    long long start = listed.length >= 0 ? std::min(options.offset, listed.length) : 0;
    if (options.last >= 0)
        start += std::max(0LL, (listed.length - start) / kRecordSizeLL - options.last) * kRecordSizeLL;
    if (start > 0 && (why = SeekTo(listed.file, start)) != kNoReason) {
        Warn(listed, DescribeReason(why));
        return false;
    }
    listed.read = start;
    listed.listedEnd = start;
    listed.skip = std::max(0LL, options.offset - start);
    listed.first = IndexFrom(options.offset, start + listed.skip);
    listed.index = listed.first;
    return true;
}

// Lists the file's records, to its end.
int ListRecords(Listed& listed)
{
    int status = kListClean;
    for (;;) {
        Reason why = kNoReason;
        long long n = ReadBlock(listed, why);
        if (n >= 0 && !StartListing(listed))
            return kListFailed;
        if (n < 0) {
            Warn(listed, DescribeReason(why));
            listed.failed = true;
        }
        if (n <= 0)
            break;
        status = std::max(status, ListTaken(listed));
        if (std::ferror(listed.out) != 0)
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
FileHandle OpenToList(Listed& listed, const ListOptions& options, Reason& why)
{
    if (std::strcmp(listed.name, "-") == 0) {
        why = options.inputClosed;
        return why == kNoReason ? StandardInput() : kNoFile;
    }
    return options.follow ? OpenToFollow(listed, why) : OpenListedFile(listed.name, why);
}

// Lists the open file from where the options have it; followed only when
// it is a file that can grow (a FIFO ends when its writer closes it).
int ListOpened(Listed& listed)
{
    listed.following = listed.options->follow && CanGrow(listed);
    if (!PlaceStart(listed))
        return kListFailed;
    // Watched before the first read, so that no write after it goes unseen.
    listed.watch = listed.following ? StartWatch(listed.name) : kNoWatch;
    int status = listed.following ? FollowRecords(listed) : ListRecords(listed);
    StopWatch(listed.watch);
    return status;
}

// Lists the open file, unless it is standard output, and closes it.
int ListOpenFile(Listed& listed)
{
    // Its own listing read back as records would grow it without end.
    Reason why = kNoReason;
    listed.isOutput = IsRegularFile(listed.file, why) && DialogueOf(listed.file) == Dialogue::Output;
    if (listed.isOutput)
        Warn(listed, "is standard output");
    int status = listed.isOutput ? kListFailed : ListOpened(listed);
    why = listed.file != StandardInput() ? CloseFile(listed.file) : kNoReason;
    if (why != kNoReason && status != kListFailed) {
        Warn(listed, DescribeReason(why));
        status = kListFailed;
    }
    return status;
}

// Readies the listing of the named file, before it is opened.
void StartListed(Listed& listed, const char* name, const ListOptions& options, std::FILE* out, std::FILE* err)
{
    // One file is listed at a time; its block is too large for a stack.
    alignas(4096) static char block[kBlockSize];
    listed.block = block;
    listed.name = name;
    listed.options = &options;
    listed.format = options.format;
    listed.column = options.named && HasFileColumn(options.format) ? name : nullptr;
    listed.columnSize = listed.column != nullptr ? std::strlen(name) : 0;
    listed.out = out;
    listed.err = err;
    listed.book = options.book;
    listed.watch = kNoWatch;
    listed.lastAt = -1;
    listed.lineEnd = LineEndOf(out, listed.lineEndSize);
    listed.shownIndex.value = -1;
    listed.progress = StartProgress(err, !options.progress);
}

} // namespace

int ListFile(const char* name, const ListOptions& options, bool& headed, std::FILE* out, std::FILE* err)
{
    Listed listed{};
    StartListed(listed, name, options, out, err);
    listed.headed = &headed;
    Reason why = kNoReason;
    listed.file = OpenToList(listed, options, why);
    int status = listed.file == kNoFile ? kListFailed : ListOpenFile(listed);
    if (listed.file == kNoFile)
        Warn(listed, DescribeReason(why));
    EraseProgress(listed.progress);
    if (options.format == ListFormat::Check && !listed.isOutput) {
        listed.found.records = listed.index - listed.first;
        listed.found.failed = status == kListFailed;
        PutCheckLine(out, name, listed.found);
    }
    return status;
}
