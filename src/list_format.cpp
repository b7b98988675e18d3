#include "list_format.h"

#include "catalogue.h"
#include "console.h"
#include "escape.h"
#include "messages.h"
#include "record.h"
#include "record_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// A short text of a format, copied as one fixed move of its whole array:
// the bytes past its size are written over or never shown.
struct Piece {
    char bytes[16];
    std::size_t size;
};

template <std::size_t N>
constexpr Piece MakePiece(const char (&text)[N])
{
    static_assert(N <= sizeof(Piece{}.bytes), "a piece holds 16 bytes");
    Piece piece{};
    for (std::size_t i = 0; i + 1 < N; ++i)
        piece.bytes[i] = text[i];
    piece.size = N - 1;
    return piece;
}

// What each format writes around the fields of a record, in field order.
struct FormatText {
    const char* header;
    const char* namedHeader;
    // Around the name of a file among several: its banner (TSV), or the key
    // of its column (CSV and JSON); null when the format has none.
    const char* bannerOpen;
    const char* bannerClose;
    const char* fileKey;
    Piece open;
    Piece keys[4];
    Piece close;
    TextPolicy text;
};

constexpr FormatText kFormats[] = {
    {"index\tnumero\tvaleur\ttampon", "index\tnumero\tvaleur\ttampon", "==> ", " <==", nullptr, MakePiece(""),
        {MakePiece(""), MakePiece("\t"), MakePiece("\t"), MakePiece("\t")}, MakePiece(""), TextPolicy::Tsv},
    {"index,numero,valeur,tampon", "file,index,numero,valeur,tampon", nullptr, nullptr, "", MakePiece(""),
        {MakePiece(""), MakePiece(","), MakePiece(","), MakePiece(",")}, MakePiece(""), TextPolicy::Csv},
    {nullptr, nullptr, nullptr, nullptr, "\"file\":", MakePiece("{"),
        {MakePiece("\"index\":"), MakePiece(",\"numero\":"), MakePiece(",\"valeur\":"),
            MakePiece(",\"tampon\":")},
        MakePiece("}"), TextPolicy::Json},
    // The workbook and the check write no lines but the check's own.
    {nullptr, nullptr, nullptr, nullptr, "", MakePiece(""), {}, MakePiece(""), TextPolicy::Cell},
    {nullptr, nullptr, nullptr, nullptr, nullptr, MakePiece(""), {}, MakePiece(""), TextPolicy::Message},
};

void PutString(std::FILE* out, const char* s)
{
    PutBytes(out, s, std::strlen(s));
}

// Appends the piece; an empty one, known when the line's code is compiled,
// costs nothing.
char* AppendPiece(char* p, const Piece& piece)
{
    if (piece.size == 0)
        return p;
    std::memcpy(p, piece.bytes, sizeof piece.bytes);
    return p + piece.size;
}

// Appends ", N what", or ", 1 one", when n is not 0.
// Appends n as the format says it, before end; always when said, else
// when it is not 0.
char* AppendCount(char* p, const char* end, long long n, const char* format, bool said = false)
{
    if (n == 0 && !said)
        return p;
    char count[kCountSize];
    int made = std::snprintf(p, static_cast<std::size_t>(end - p), format, GroupCount(n, count));
    return made > 0 ? p + std::min<std::ptrdiff_t>(made, end - p - 1) : p;
}

// Appends what fits of the text before end: a line's piece, no string.
char* AppendSaid(char* p, const char* end, const char* text)
{
    std::size_t n = std::min(std::strlen(text), static_cast<std::size_t>(end - p) - 1);
    return std::copy(text, text + n, p);
}

const FormatText& FormatOf(ListFormat format)
{
    return kFormats[static_cast<int>(format)];
}

} // namespace

namespace {

// Writes the fields of a record's line after its file column, and its end,
// at p; returns the byte after them. Part of the loop's own code where it
// is one (see AppendNumber32).
template <ListFormat F>
[[gnu::always_inline]] inline char* AppendFields(
    char* p, const DecimalCount& index, const char* bytes, const LookedText& text, const LineForm& form)
{
    constexpr const FormatText& f = kFormats[static_cast<int>(F)];
    const char* tampon = bytes + offsetof(Record, tampon);
    p = AppendCount(AppendPiece(p, f.keys[0]), index);
    p = AppendNumber32(AppendPiece(p, f.keys[1]), DecodeNumber(bytes + offsetof(Record, numero)));
    p = AppendNumber32(AppendPiece(p, f.keys[2]), DecodeNumber(bytes + offsetof(Record, valeur)));
    p = AppendPiece(p, f.keys[3]);
    p += form.hex ? HexRecordText(f.text, tampon, text.look.size, p)
                  : PutLookedText(f.text, tampon, text.look, *text.marks, p);
    p = AppendPiece(p, f.close);
    std::memcpy(p, form.end, 2);
    return p + form.endSize;
}

template <ListFormat F>
std::size_t AppendLines(char*& to, const char* limit, const LineForm& form, DecimalCount& index,
    const char* records, const TextLook* looks, const TextMarks* marks, std::size_t count)
{
    constexpr const FormatText& f = kFormats[static_cast<int>(F)];
    char* p = to;
    // As many as the room holds at their longest.
    count = std::min(count, static_cast<std::size_t>(limit - p) / kLineRoom);
    std::size_t r = 0;
    for (; r < count && looks[r].size < kTamponSize; ++r) {
        LookedText text{looks[r], &marks[r]};
        p = AppendFields<F>(AppendPiece(p, f.open), index, records + r * kRecordSize, text, form);
        CountOne(index);
    }
    to = p;
    return r;
}

} // namespace

char* FormatRecordLine(char* to, const LineForm& form, const char* column, const DecimalCount& index,
    const char* bytes, const LookedText& text)
{
    const FormatText& f = FormatOf(form.format);
    char* p = AppendPiece(to, f.open);
    if (column != nullptr) {
        std::size_t used = 0;
        std::size_t key = std::strlen(f.fileKey);
        std::memcpy(p, f.fileKey, key);
        p += key;
        p += EscapeText(f.text, column, std::strlen(column), p, EscapedRoom(std::strlen(column)), used);
        *p++ = ',';
    }
    if (form.format == ListFormat::Tsv)
        return AppendFields<ListFormat::Tsv>(p, index, bytes, text, form);
    if (form.format == ListFormat::Csv)
        return AppendFields<ListFormat::Csv>(p, index, bytes, text, form);
    return AppendFields<ListFormat::Json>(p, index, bytes, text, form);
}

std::size_t FormatRecordLines(char*& to, const char* limit, const LineForm& form, DecimalCount& index,
    const char* records, const TextLook* looks, const TextMarks* marks, std::size_t count)
{
    if (form.format == ListFormat::Tsv)
        return AppendLines<ListFormat::Tsv>(to, limit, form, index, records, looks, marks, count);
    if (form.format == ListFormat::Csv)
        return AppendLines<ListFormat::Csv>(to, limit, form, index, records, looks, marks, count);
    return AppendLines<ListFormat::Json>(to, limit, form, index, records, looks, marks, count);
}

bool PutRecordLine(
    std::FILE* out, ListFormat format, const char* column, long long index, const char* bytes, bool hex)
{
    const FormatText& f = FormatOf(format);
    PutBytes(out, f.open.bytes, f.open.size);
    PutString(out, f.fileKey);
    PutEscapedText(out, f.text, column, std::strlen(column));
    PutByte(',', out);
    char line[kLineRoom];
    DecimalCount count{};
    StartCount(count, index);
    std::size_t n = 0;
    const char* end = LineEndOf(out, n);
    TextLook look{};
    TextMarks marks;
    LookAtTexts(f.text, bytes, 1, &look, &marks);
    char* p = FormatRecordLine(
        line, LineForm{format, hex, end, n}, nullptr, count, bytes, LookedText{look, &marks});
    // The file column opened the line already.
    PutBytes(out, line + f.open.size, static_cast<std::size_t>(p - line) - f.open.size);
    return look.size < kTamponSize;
}

TextPolicy TextOf(ListFormat format)
{
    return FormatOf(format).text;
}

bool HasLines(ListFormat format)
{
    return format == ListFormat::Tsv || format == ListFormat::Csv || format == ListFormat::Json;
}

bool HasFileColumn(ListFormat format)
{
    return FormatOf(format).fileKey != nullptr;
}

void PutCheckLine(std::FILE* out, const char* name, const FileCheck& found)
{
    char line[512];
    const char* end = line + sizeof line;
    PutEscapedText(out, TextPolicy::Message, name, std::strlen(name));
    long long n = found.records;
    char* p = AppendCount(line, end, n, TranslatePlural(": %s record", ": %s records", n), true);
    n = found.unterminated;
    p = AppendCount(p, end, n, TranslatePlural(", %s text not terminated", ", %s texts not terminated", n));
    n = found.trailing;
    p = AppendCount(p, end, n, TranslatePlural(", %s trailing byte", ", %s trailing bytes", n));
    if (found.failed)
        p = AppendSaid(p, end, Translate(", unreadable"));
    PutBytes(out, line, static_cast<std::size_t>(p - line));
    PutLineEnd(out);
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
