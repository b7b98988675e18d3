#include "listing.h"

#include "console.h"
#include "escape.h"
#include "follow.h"
#include "messages.h"
#include "record.h"
#include "record_file.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

constexpr char kProgram[] = "lecture";
constexpr std::size_t kBlockRecords = 1024;
// Whole records per read; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockSize = kBlockRecords * kRecordSize;
// Room for a decimal of 64 bits with its sign.
constexpr std::size_t kNumberSize = 20;
// A record's line but its file column: the keys and separators, three
// numbers and the text in its widest form.
constexpr std::size_t kLineRoom = 64 + 3 * kNumberSize + EscapedRoom(kTamponSize);

// What each format writes around the fields of a record, in field order.
struct FormatText {
    const char* header;
    const char* namedHeader;
    // Around the name of a file among several: its banner (TSV), or the key
    // of its column (CSV and JSON); null when the format has none.
    const char* bannerOpen;
    const char* bannerClose;
    const char* fileKey;
    std::string_view open;
    std::string_view keys[4];
    std::string_view close;
    TextPolicy text;
};

constexpr FormatText kFormats[] = {
    {"index\tnumero\tvaleur\ttampon", "index\tnumero\tvaleur\ttampon", "==> ", " <==", nullptr, "",
        {"", "\t", "\t", "\t"}, "", TextPolicy::Tsv},
    {"index,numero,valeur,tampon", "file,index,numero,valeur,tampon", nullptr, nullptr, "", "",
        {"", ",", ",", ","}, "", TextPolicy::Csv},
    {nullptr, nullptr, nullptr, nullptr, "\"file\":", "{",
        {"\"index\":", ",\"numero\":", ",\"valeur\":", ",\"tampon\":"}, "}", TextPolicy::Json},
};

// One file's listing as it goes.
struct Listed {
    const char* name;
    const FormatText* format;
    // The file column's name, or null.
    const char* column;
    std::FILE* out;
    std::FILE* err;
    long long index;
    long long skip;
    long long read;
};

void PutString(std::FILE* out, const char* s)
{
    PutBytes(out, s, std::strlen(s));
}

char* AppendString(char* p, std::string_view s)
{
    s.copy(p, s.size());
    return p + s.size();
}

char* AppendNumber(char* p, long long v)
{
    return std::to_chars(p, p + kNumberSize, v).ptr;
}

// Lists one record, in one write but its file column and its line end;
// false when its text has no NUL, and then shows all 80 bytes.
bool ListRecord(const Listed& listed, const char* bytes)
{
    const FormatText& f = *listed.format;
    Record rec = DecodeRecord(bytes);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    if (listed.column != nullptr) {
        PutBytes(listed.out, f.open.data(), f.open.size());
        PutString(listed.out, f.fileKey);
        PutEscapedText(listed.out, f.text, listed.column, std::strlen(listed.column));
        PutByte(',', listed.out);
    }
    char line[kLineRoom];
    char* p = AppendString(line, listed.column != nullptr ? std::string_view() : f.open);
    p = AppendNumber(AppendString(p, f.keys[0]), listed.index);
    p = AppendNumber(AppendString(p, f.keys[1]), rec.numero);
    p = AppendNumber(AppendString(p, f.keys[2]), rec.valeur);
    p = AppendString(p, f.keys[3]);
    std::size_t used = 0;
    p += EscapeText(f.text, rec.tampon, n, p, static_cast<std::size_t>(line + sizeof line - p), used);
    p = AppendString(p, f.close);
    PutBytes(listed.out, line, static_cast<std::size_t>(p - line));
    PutLineEnd(listed.out);
    return n < sizeof rec.tampon;
}

// A warning stands beside its file's records: the listing goes out first.
void Warn(const Listed& listed, const char* what)
{
    std::fflush(listed.out);
    PutMessage(listed.err, kProgram, listed.name, what);
}

// Lists the whole records of block[0, have) and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(Listed& listed, char* block, std::size_t& have)
{
    int status = kListClean;
    std::size_t whole = have / kRecordSize * kRecordSize;
    for (std::size_t at = 0; at < whole; at += kRecordSize, ++listed.index) {
        if (!ListRecord(listed, block + at)) {
            char what[64];
            std::snprintf(what, sizeof what, "record %lld: text not terminated", listed.index);
            Warn(listed, what);
            status = kListWarned;
        }
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

// Waits at the end of a followed file until it may have grown: true then,
// false after saying why when it shrank below what was read or lost its name.
bool AwaitGrowth(const Listed& listed, FileHandle file, WatchHandle watch)
{
    if (std::fflush(listed.out) != 0)
        return false;
    AwaitChange(watch);
    if (!IsStillNamed(file, listed.name)) {
        Warn(listed, "file removed or replaced; no longer followed");
        return false;
    }
    if (FileLength(file) < listed.read) {
        Warn(listed, "file truncated; no longer followed");
        return false;
    }
    return true;
}

// The checks at the end of a file that is not followed.
int CheckEnd(const Listed& listed, std::size_t have)
{
    if (listed.skip > 0) {
        Warn(listed, "shorter than the offset");
        return kListWarned;
    }
    if (have > 0) {
        char what[64];
        std::snprintf(what, sizeof what, "%zu trailing bytes", have);
        Warn(listed, what);
        return kListWarned;
    }
    return kListClean;
}

// Lists the file's records; with a watch, waits at its end for more.
int ListRecords(Listed& listed, FileHandle file, const WatchHandle* follow)
{
    char block[kBlockSize];
    std::size_t have = 0;
    int status = kListClean;
    for (;;) {
        std::size_t asked = sizeof block - have;
        Reason why = kNoReason;
        long long n = ReadSome(file, block + have, asked, why);
        if (n < 0) {
            Warn(listed, DescribeReason(why));
            return kListFailed;
        }
        if (n == 0 && follow == nullptr)
            break;
        if (n == 0) {
            if (!AwaitGrowth(listed, file, *follow))
                return std::ferror(listed.out) != 0 ? kListFailed : kListWarned;
            continue;
        }
        listed.read += n;
        have += DropSkipped(block + have, static_cast<std::size_t>(n), listed.skip);
        if (ListBlock(listed, block, have) != kListClean)
            status = kListWarned;
        // A pipe that has no more for now may be held open by a slow writer:
        // its records go out as they come.
        if (static_cast<std::size_t>(n) < asked)
            std::fflush(listed.out);
        if (std::ferror(listed.out) != 0)
            return kListFailed;
    }
    int end = CheckEnd(listed, have);
    return end > status ? end : status;
}

void PutBanner(std::FILE* out, const FormatText& f, const char* name)
{
    PutString(out, f.bannerOpen);
    PutEscapedText(out, f.text, name, std::strlen(name));
    PutString(out, f.bannerClose);
    PutLineEnd(out);
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

void PutHeader(std::FILE* out, const ListOptions& options)
{
    const FormatText& f = kFormats[static_cast<int>(options.format)];
    const char* header = options.named ? f.namedHeader : f.header;
    if (header == nullptr)
        return;
    PutString(out, header);
    PutLineEnd(out);
}

int ListFile(const char* name, const ListOptions& options, std::FILE* out, std::FILE* err)
{
    const FormatText& f = kFormats[static_cast<int>(options.format)];
    if (options.named && f.bannerOpen != nullptr)
        PutBanner(out, f, name);
    Listed listed{
        name, &f, options.named && f.fileKey != nullptr ? name : nullptr, out, err, 0, options.offset, 0};
    bool isStdin = std::strcmp(name, "-") == 0;
    Reason why = kNoReason;
    FileHandle file = isStdin ? StandardInput() : OpenListedFile(name, why);
    if (file == kNoFile) {
        Warn(listed, DescribeReason(why));
        return kListFailed;
    }
    // Watched before the first read, so that no write after it goes unseen.
    WatchHandle watch = options.follow ? StartWatch(name) : kNoWatch;
    int status = ListRecords(listed, file, options.follow ? &watch : nullptr);
    StopWatch(watch);
    if (!isStdin && (why = CloseFile(file)) != kNoReason && status != kListFailed) {
        Warn(listed, DescribeReason(why));
        status = kListFailed;
    }
    return status;
}
