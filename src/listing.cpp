#include "listing.h"

#include "follow.h"
#include "messages.h"
#include "platform.h"
#include "record.h"

#include <charconv>
#include <climits>
#include <cstring>

namespace {

constexpr char kProgram[] = "lecture";
constexpr std::size_t kBlockRecords = 1024;
// Whole records per read; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockSize = kBlockRecords * kRecordSize;
// The numbers of a line: an index and two 32-bit values, with their keys.
constexpr std::size_t kNumbersSize = 96;

void PutString(std::FILE* out, const char* s)
{
    PutBytes(out, s, std::strlen(s));
}

template <std::size_t N>
char* AppendLiteral(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

char* AppendNumber(char* p, long long v)
{
    return std::to_chars(p, p + 20, v).ptr;
}

template <std::size_t N>
void PutEscapedByte(std::FILE* out, const char (&prefix)[N], unsigned char c)
{
    static const char kHex[] = "0123456789abcdef";
    char escape[N + 1];
    std::memcpy(escape, prefix, N - 1);
    escape[N - 1] = kHex[c >> 4];
    escape[N] = kHex[c & 15];
    PutBytes(out, escape, sizeof escape);
}

// "index", "numero" and "valeur" with the separators around them, up to
// where the text starts.
std::size_t FormatNumbers(char* line, long long index, const Record& rec, ListFormat format)
{
    char* p = line;
    char sep = format == ListFormat::Csv ? ',' : '\t';
    if (format == ListFormat::Json)
        p = AppendLiteral(p, "\"index\":");
    p = AppendNumber(p, index);
    p = format == ListFormat::Json ? AppendLiteral(p, ",\"numero\":") : (*p = sep, p + 1);
    p = AppendNumber(p, rec.numero);
    p = format == ListFormat::Json ? AppendLiteral(p, ",\"valeur\":") : (*p = sep, p + 1);
    p = AppendNumber(p, rec.valeur);
    p = format == ListFormat::Json ? AppendLiteral(p, ",\"tampon\":") : (*p = sep, p + 1);
    return static_cast<std::size_t>(p - line);
}

// Lists one record; false when its text has no NUL, and then shows all 80 bytes.
bool ListRecord(const char* bytes, long long index, ListFormat format, const char* named, std::FILE* out)
{
    Record rec = DecodeRecord(bytes);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    if (format == ListFormat::Json)
        PutByte('{', out);
    if (format == ListFormat::Json && named != nullptr)
        PutString(out, "\"file\":");
    if (named != nullptr) {
        (format == ListFormat::Json ? PutTextJson : PutTextCsv)(out, named, std::strlen(named));
        PutByte(',', out);
    }
    char numbers[kNumbersSize];
    PutBytes(out, numbers, FormatNumbers(numbers, index, rec, format));
    if (format == ListFormat::Tsv)
        PutTextTsv(out, rec.tampon, n);
    else
        (format == ListFormat::Csv ? PutTextCsv : PutTextJson)(out, rec.tampon, n);
    if (format == ListFormat::Json)
        PutByte('}', out);
    PutLineEnd(out);
    return n < sizeof rec.tampon;
}

// A warning stands beside its file's records: the listing goes out first.
void Warn(std::FILE* out, std::FILE* err, const char* name, const char* what)
{
    std::fflush(out);
    PutMessage(err, kProgram, name, what);
}

// The reason is taken before the flush, which may fail and replace it.
void WarnSystem(std::FILE* out, std::FILE* err, const char* name)
{
    Warn(out, err, name, DescribeLastError());
}

// Lists the whole records of block[0, have) and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(char* block, std::size_t& have, long long& index, const char* name, ListFormat format,
    const char* named, std::FILE* out, std::FILE* err)
{
    int status = kListClean;
    std::size_t whole = have / kRecordSize * kRecordSize;
    for (std::size_t at = 0; at < whole; at += kRecordSize, ++index) {
        if (!ListRecord(block + at, index, format, named, out)) {
            char what[64];
            std::snprintf(what, sizeof what, "record %lld: text not terminated", index);
            Warn(out, err, name, what);
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
// false after saying why when it shrank below what was read (read bytes) or
// lost its name.
bool AwaitGrowth(
    FileHandle file, WatchHandle watch, const char* name, long long read, std::FILE* out, std::FILE* err)
{
    if (std::fflush(out) != 0)
        return false;
    AwaitChange(watch);
    if (!IsStillNamed(file, name)) {
        Warn(out, err, name, "file removed or replaced; no longer followed");
        return false;
    }
    if (FileLength(file) < read) {
        Warn(out, err, name, "file truncated; no longer followed");
        return false;
    }
    return true;
}

// The checks at the end of a file that is not followed.
int CheckEnd(const char* name, long long skip, std::size_t have, std::FILE* out, std::FILE* err)
{
    if (skip > 0) {
        Warn(out, err, name, "shorter than the offset");
        return kListWarned;
    }
    if (have > 0) {
        char what[64];
        std::snprintf(what, sizeof what, "%zu trailing bytes", have);
        Warn(out, err, name, what);
        return kListWarned;
    }
    return kListClean;
}

// Lists the file's records; with follow, waits at its end for more.
int ListRecords(FileHandle file, const char* name, long long offset, ListFormat format, const char* named,
    const WatchHandle* follow, std::FILE* out, std::FILE* err)
{
    char block[kBlockSize];
    std::size_t have = 0;
    long long index = 0;
    long long skip = offset;
    long long read = 0;
    int status = kListClean;
    for (;;) {
        std::size_t asked = sizeof block - have;
        long long n = ReadSome(file, block + have, asked);
        if (n < 0) {
            WarnSystem(out, err, name);
            return kListFailed;
        }
        if (n == 0 && follow == nullptr)
            break;
        if (n == 0) {
            if (!AwaitGrowth(file, *follow, name, read, out, err))
                return std::ferror(out) != 0 ? kListFailed : kListWarned;
            continue;
        }
        read += n;
        have += DropSkipped(block + have, static_cast<std::size_t>(n), skip);
        if (ListBlock(block, have, index, name, format, named, out, err) != kListClean)
            status = kListWarned;
        // A pipe that has no more for now may be held open by a slow writer:
        // its records go out as they come.
        if (static_cast<std::size_t>(n) < asked)
            std::fflush(out);
        if (std::ferror(out) != 0)
            return kListFailed;
    }
    int end = CheckEnd(name, skip, have, out, err);
    return end > status ? end : status;
}

} // namespace

void PutTextTsv(std::FILE* out, const char* text, std::size_t n)
{
    PutShownText(out, text, n);
}

void PutTextCsv(std::FILE* out, const char* text, std::size_t n)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    bool quoted = false;
    for (std::size_t i = 0; i < n; ++i)
        quoted = quoted || s[i] == ',' || s[i] == '"' || s[i] == '\r' || s[i] == '\n';
    if (quoted)
        PutByte('"', out);
    std::size_t plain = 0;
    for (std::size_t i = 0; i < n;) {
        std::size_t len = s[i] < 0x80 ? 1 : MeasureUtf8(s + i, n - i);
        if (len > 0 && s[i] != '"' && s[i] != '\\') {
            i += len;
            continue;
        }
        PutBytes(out, text + plain, i - plain);
        if (len == 0)
            PutEscapedByte(out, "\\x", s[i]);
        else
            PutBytes(out, s[i] == '"' ? "\"\"" : "\\\\", 2);
        plain = ++i;
    }
    PutBytes(out, text + plain, n - plain);
    if (quoted)
        PutByte('"', out);
}

void PutTextJson(std::FILE* out, const char* text, std::size_t n)
{
    static const char kShort[] = "\b\f\n\r\t\"\\";
    static const char kShortName[] = "bfnrt\"\\";
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    PutByte('"', out);
    std::size_t plain = 0;
    for (std::size_t i = 0; i < n;) {
        // Most texts are plain ASCII: a run of it is passed at once.
        while (i < n && s[i] >= 0x20 && s[i] < 0x7f && s[i] != '"' && s[i] != '\\')
            ++i;
        if (i == n)
            break;
        std::size_t len = s[i] < 0x80 ? 1 : MeasureUtf8(s + i, n - i);
        bool control = s[i] < 0x20 || s[i] == 0x7f || (len == 2 && s[i] == 0xc2 && s[i + 1] < 0xa0);
        if (len > 1 && !control) {
            i += len;
            continue;
        }
        PutBytes(out, text + plain, i - plain);
        const char* shorter = s[i] != 0 ? std::strchr(kShort, s[i]) : nullptr;
        if (shorter != nullptr) {
            char escape[2] = {'\\', kShortName[shorter - kShort]};
            PutBytes(out, escape, 2);
        } else if (len == 0) {
            // Python reads it back as the byte with surrogateescape.
            PutEscapedByte(out, "\\udc", s[i]);
        } else {
            // A C1 control's code point is its second byte.
            PutEscapedByte(out, "\\u00", len == 2 ? s[i + 1] : s[i]);
        }
        i += len == 0 ? 1 : len;
        plain = i;
    }
    PutBytes(out, text + plain, n - plain);
    PutByte('"', out);
}

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

void PutHeader(std::FILE* out, ListFormat format, bool named)
{
    if (format == ListFormat::Json)
        return;
    if (format == ListFormat::Csv)
        PutString(out, named ? "file,index,numero,valeur,tampon" : "index,numero,valeur,tampon");
    else
        PutString(out, "index\tnumero\tvaleur\ttampon");
    PutLineEnd(out);
}

int ListFile(const char* name, long long offset, ListFormat format, bool named, bool follow, std::FILE* out,
    std::FILE* err)
{
    bool is_stdin = std::strcmp(name, "-") == 0;
    FileHandle file = is_stdin ? StandardInput() : OpenListedFile(name);
    if (file == kNoFile) {
        WarnSystem(out, err, name);
        return kListFailed;
    }
    // Watched before the first read, so that no write after it goes unseen.
    WatchHandle watch = follow ? StartWatch(name) : kNoWatch;
    const char* column = named && format != ListFormat::Tsv ? name : nullptr;
    int status = ListRecords(file, name, offset, format, column, follow ? &watch : nullptr, out, err);
    StopWatch(watch);
    if (!is_stdin && !CloseFile(file) && status != kListFailed) {
        WarnSystem(out, err, name);
        status = kListFailed;
    }
    return status;
}
