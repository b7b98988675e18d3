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

char* AppendPiece(char* p, const Piece& piece)
{
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

char* FormatRecordLine(char* to, ListFormat format, const char* column, const DecimalCount& index,
    const char* bytes, bool hex, const char* lineEnd, std::size_t lineEndSize, bool& terminated)
{
    const FormatText& f = FormatOf(format);
    const char* text = bytes + offsetof(Record, tampon);
    std::size_t n = strnlen(text, kTamponSize);
    char* p = AppendPiece(to, f.open);
    if (column != nullptr) {
        std::size_t used = 0;
        std::size_t key = std::strlen(f.fileKey);
        std::memcpy(p, f.fileKey, key);
        p += key;
        p += EscapeText(f.text, column, std::strlen(column), p, EscapedRoom(std::strlen(column)), used);
        *p++ = ',';
    }
    p = AppendCount(AppendPiece(p, f.keys[0]), index);
    p = AppendNumber(AppendPiece(p, f.keys[1]), DecodeNumber(bytes + offsetof(Record, numero)));
    p = AppendNumber(AppendPiece(p, f.keys[2]), DecodeNumber(bytes + offsetof(Record, valeur)));
    p = AppendPiece(p, f.keys[3]);
    p += hex ? HexRecordText(f.text, text, n, p) : EscapeRecordText(f.text, text, n, p);
    p = AppendPiece(p, f.close);
    std::memcpy(p, lineEnd, 2);
    terminated = n < kTamponSize;
    return p + lineEndSize;
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
    bool terminated = true;
    char* p = FormatRecordLine(line, format, nullptr, count, bytes, hex, end, n, terminated);
    // The file column opened the line already.
    PutBytes(out, line + f.open.size, static_cast<std::size_t>(p - line) - f.open.size);
    return terminated;
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
