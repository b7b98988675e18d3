#include "list_format.h"

#include "console.h"
#include "escape.h"
#include "record.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

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

const FormatText& FormatOf(ListFormat format)
{
    return kFormats[static_cast<int>(format)];
}

} // namespace

bool PutRecordLine(std::FILE* out, ListFormat format, const char* column, long long index, const char* bytes)
{
    const FormatText& f = FormatOf(format);
    Record rec = DecodeRecord(bytes);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    if (column != nullptr) {
        PutBytes(out, f.open.data(), f.open.size());
        PutString(out, f.fileKey);
        PutEscapedText(out, f.text, column, std::strlen(column));
        PutByte(',', out);
    }
    char line[kLineRoom];
    char* p = AppendString(line, column != nullptr ? std::string_view() : f.open);
    p = AppendNumber(AppendString(p, f.keys[0]), index);
    p = AppendNumber(AppendString(p, f.keys[1]), rec.numero);
    p = AppendNumber(AppendString(p, f.keys[2]), rec.valeur);
    p = AppendString(p, f.keys[3]);
    std::size_t used = 0;
    p += EscapeText(f.text, rec.tampon, n, p, static_cast<std::size_t>(line + sizeof line - p), used);
    p = AppendString(p, f.close);
    PutBytes(out, line, static_cast<std::size_t>(p - line));
    PutLineEnd(out);
    return n < sizeof rec.tampon;
}

bool HasFileColumn(ListFormat format)
{
    return FormatOf(format).fileKey != nullptr;
}

void PutHeader(std::FILE* out, const ListOptions& options)
{
    const FormatText& f = FormatOf(options.format);
    const char* header = options.named ? f.namedHeader : f.header;
    if (header == nullptr)
        return;
    PutString(out, header);
    PutLineEnd(out);
}

void PutFileStart(std::FILE* out, ListFormat format, const char* name)
{
    const FormatText& f = FormatOf(format);
    if (f.bannerOpen == nullptr)
        return;
    // The banner names the file as messages do, as the system spells it.
    PutString(out, f.bannerOpen);
    PutEscapedText(out, TextPolicy::Message, name, std::strlen(name));
    PutString(out, f.bannerClose);
    PutLineEnd(out);
}
