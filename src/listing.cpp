#include "listing.h"

#include "platform.h"
#include "record.h"

#include <climits>
#include <cstring>

namespace {

constexpr std::size_t kBlockRecords = 1024;
// Whole records per read; a record cut by a read waits at the block's start.
constexpr std::size_t kBlockSize = kBlockRecords * kRecordSize;

void PutByteEscaped(std::FILE* out, unsigned char c)
{
    static const char kHex[] = "0123456789abcdef";
    PutByte('\\', out);
    PutByte('x', out);
    PutByte(kHex[c >> 4], out);
    PutByte(kHex[c & 15], out);
}

bool IsContinuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// C1 controls are valid UTF-8 but would steer a terminal like C0 ones.
bool IsC1Control(const unsigned char* s, std::size_t len)
{
    return len == 2 && s[0] == 0xc2 && s[1] < 0xa0;
}

// Lists one record; false when its text has no NUL, and then shows all 80 bytes.
bool ListRecord(const char* p, long long index, bool csv, std::FILE* out)
{
    Record rec = DecodeRecord(p);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    std::fprintf(out, csv ? "%lld,%d,%d," : "%lld\t%d\t%d\t", index, rec.numero, rec.valeur);
    if (csv)
        PutTextCsv(out, rec.tampon, n);
    else
        PutTextTsv(out, rec.tampon, n);
    PutByte('\n', out);
    return n < sizeof rec.tampon;
}

// Lists the whole records of block[0, have) and keeps the rest at its start;
// warns for each text without its NUL.
int ListBlock(char* block, std::size_t& have, long long& index, const char* name, bool csv, std::FILE* out,
    std::FILE* err)
{
    int status = kListClean;
    std::size_t whole = have / kRecordSize * kRecordSize;
    for (std::size_t at = 0; at < whole; at += kRecordSize, ++index) {
        if (!ListRecord(block + at, index, csv, out)) {
            std::fprintf(err, "lecture: %s: record %lld: text not terminated\n", name, index);
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

int ListRecords(FileHandle file, const char* name, long long offset, bool csv, std::FILE* out, std::FILE* err)
{
    char block[kBlockSize];
    std::size_t have = 0;
    long long index = 0;
    long long skip = offset;
    int status = kListClean;
    for (;;) {
        long long n = ReadSome(file, block + have, sizeof block - have);
        if (n < 0) {
            std::fprintf(err, "lecture: %s: %s\n", name, DescribeLastError());
            return kListFailed;
        }
        if (n == 0)
            break;
        have += DropSkipped(block + have, static_cast<std::size_t>(n), skip);
        if (ListBlock(block, have, index, name, csv, out, err) != kListClean)
            status = kListWarned;
        if (std::ferror(out) != 0)
            return kListFailed;
    }
    if (skip > 0) {
        std::fprintf(err, "lecture: %s: shorter than the offset\n", name);
        return kListWarned;
    }
    if (have > 0) {
        std::fprintf(err, "lecture: %s: %zu trailing bytes\n", name, have);
        status = kListWarned;
    }
    return status;
}

// The length a sequence with this first byte claims; 0 for a byte that
// cannot begin one (a continuation, an overlong lead, past U+10FFFF).
std::size_t LeadLength(unsigned char c)
{
    return c < 0x80 ? 1 : c < 0xc2 ? 0 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : c < 0xf5 ? 4 : 0;
}

} // namespace

std::size_t MeasureUtf8(const unsigned char* s, std::size_t n)
{
    unsigned char c = s[0];
    std::size_t len = LeadLength(c);
    if (len == 0 || len > n)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
        if (!IsContinuation(s[i]))
            return 0;
    // Overlong three- and four-byte forms, surrogates, and code points past U+10FFFF.
    if ((c == 0xe0 && s[1] < 0xa0) || (c == 0xed && s[1] > 0x9f) || (c == 0xf0 && s[1] < 0x90) ||
        (c == 0xf4 && s[1] > 0x8f))
        return 0;
    return len;
}

void PutTextTsv(std::FILE* out, const char* text, std::size_t n)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t plain = 0;
    for (std::size_t i = 0; i < n;) {
        if (s[i] >= 0x20 && s[i] < 0x7f && s[i] != '\\') {
            ++i;
            continue;
        }
        std::size_t len = MeasureUtf8(s + i, n - i);
        if (len > 1 && !IsC1Control(s + i, len)) {
            i += len;
            continue;
        }
        PutBytes(out, text + plain, i - plain);
        if (s[i] == '\\') {
            std::fputs("\\\\", out);
            ++i;
        } else {
            for (std::size_t end = i + (len == 0 ? 1 : len); i < end; ++i)
                PutByteEscaped(out, s[i]);
        }
        plain = i;
    }
    PutBytes(out, text + plain, n - plain);
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
        if (len > 0 && s[i] != '"') {
            i += len;
            continue;
        }
        if (len == 0) {
            PutBytes(out, text + plain, i - plain);
            PutByteEscaped(out, s[i]);
            plain = ++i;
            continue;
        }
        // The quote ends this run and starts the next one, so it goes out twice.
        PutBytes(out, text + plain, i + 1 - plain);
        plain = i++;
    }
    PutBytes(out, text + plain, n - plain);
    if (quoted)
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

int ListFile(const char* name, long long offset, bool csv, std::FILE* out, std::FILE* err)
{
    bool is_stdin = std::strcmp(name, "-") == 0;
    FileHandle file = is_stdin ? StandardInput() : OpenListedFile(name);
    if (file == kNoFile) {
        std::fprintf(err, "lecture: %s: %s\n", name, DescribeLastError());
        return kListFailed;
    }
    int status = ListRecords(file, name, offset, csv, out, err);
    if (!is_stdin && !CloseFile(file) && status != kListFailed) {
        std::fprintf(err, "lecture: %s: %s\n", name, DescribeLastError());
        status = kListFailed;
    }
    return status;
}
