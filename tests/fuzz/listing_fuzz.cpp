// libFuzzer target: any bytes as a record file, listed from any offset (the
// input's first two bytes) in every format, alone and among several files.
// Besides the sanitizers' checks: every record line must give back the
// exact numbers and text bytes (TSV by its escapes, CSV as they stand, JSON
// by a parser of its own that maps the lone surrogates U+DC80..U+DCFF back
// to bytes), every JSON line must be valid JSON, and the status must say
// what the file holds. The whole input, of any length, is also shown as a
// text in every policy of the escaper, which must end and give it back;
// each record's text copied whole must be what the escaper makes of it.
#include "escape.h"
#include "listing.h"
#include "record.h"
#include "record_text.h"

#include "fuzz_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string Decoded(const std::string& shown)
{
    std::string bytes;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '\\') {
            bytes += shown[i];
        } else if (i + 1 < shown.size() && shown[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (i + 3 < shown.size() && shown[i + 1] == 'x') {
            bytes += static_cast<char>(std::stoi(shown.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            Fail("a backslash that escapes nothing", shown);
        }
    }
    return bytes;
}

// A JSON reader for the listing's lines: the value at s[i] is parsed and
// skipped; a string's bytes, with lone low surrogates as the bytes they
// stand for, go to text. False when the line is not JSON.
bool ParseValue(const std::string& s, std::size_t& i, std::string& text);

void AppendUtf8(std::string& to, unsigned long c)
{
    if (c < 0x80) {
        to += static_cast<char>(c);
    } else if (c < 0x800) {
        to += static_cast<char>(0xc0 | c >> 6);
        to += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        to += static_cast<char>(0xe0 | c >> 12);
        to += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        to += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        to += static_cast<char>(0xf0 | c >> 18);
        to += static_cast<char>(0x80 | (c >> 12 & 0x3f));
        to += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        to += static_cast<char>(0x80 | (c & 0x3f));
    }
}

bool ParseString(const std::string& s, std::size_t& i, std::string& text)
{
    static const char kShort[] = "\"\\/bfnrt";
    static const char kMeant[] = "\"\\/\b\f\n\r\t";
    text.clear();
    if (s[i++] != '"')
        return false;
    while (i < s.size() && s[i] != '"') {
        unsigned char c = static_cast<unsigned char>(s[i++]);
        if (c < 0x20)
            return false;
        if (c != '\\') {
            text += static_cast<char>(c);
            continue;
        }
        if (i >= s.size())
            return false;
        const char* e = std::strchr(kShort, s[i]);
        if (e != nullptr && s[i] != '\0' && s[i] != 'u') {
            text += kMeant[e - kShort];
            ++i;
            continue;
        }
        if (s[i] != 'u' || i + 5 > s.size() || s.find_first_not_of("0123456789abcdefABCDEF", i + 1) < i + 5)
            return false;
        unsigned long u = std::stoul(s.substr(i + 1, 4), nullptr, 16);
        i += 5;
        if (u >= 0xdc80 && u <= 0xdcff)
            text += static_cast<char>(u - 0xdc00);
        else if (u >= 0xd800 && u <= 0xdfff)
            return false; // the listing makes no other surrogate
        else
            AppendUtf8(text, u);
    }
    return i++ < s.size();
}

bool ParseNumber(const std::string& s, std::size_t& i)
{
    std::size_t start = i;
    if (s[i] == '-')
        ++i;
    std::size_t digits = s.find_first_not_of("0123456789", i);
    digits = digits == std::string::npos ? s.size() : digits;
    bool ok = digits > i && (s[i] != '0' || digits == i + 1);
    i = digits;
    return ok && i > start;
}

bool ParseObject(const std::string& s, std::size_t& i, std::vector<std::string>& fields)
{
    if (s[i++] != '{')
        return false;
    std::string key;
    std::string value;
    while (i < s.size() && s[i] != '}') {
        if (!fields.empty() && s[i++] != ',')
            return false;
        if (i >= s.size() || !ParseString(s, i, key) || i >= s.size() || s[i++] != ':' || i >= s.size())
            return false;
        std::size_t at = i;
        if (!ParseValue(s, i, value))
            return false;
        fields.push_back(key);
        fields.push_back(s[at] == '"' ? value : s.substr(at, i - at));
    }
    return i++ < s.size();
}

bool ParseValue(const std::string& s, std::size_t& i, std::string& text)
{
    return s[i] == '"' ? ParseString(s, i, text) : ParseNumber(s, i);
}

// The numbers and the text the line must show for the record at p.
std::vector<std::string> Expected(const char* p, long long index, bool named)
{
    Record rec = DecodeRecord(p);
    std::vector<std::string> fields;
    if (named)
        fields.insert(fields.end(), {"file", ScratchPath()});
    fields.insert(fields.end(),
        {"index", std::to_string(index), "numero", std::to_string(rec.numero), "valeur",
            std::to_string(rec.valeur), "tampon", std::string(rec.tampon, strnlen(rec.tampon, kTamponSize))});
    return fields;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos)
            Fail("a line without its end", text.substr(at));
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

// The fields of a CSV listing's rows (RFC 4180): the texts' own bytes.
std::vector<std::vector<std::string>> ParsedCsv(const std::string& listing)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        char c = listing[i];
        if (quoted && c == '"' && i + 1 < listing.size() && listing[i + 1] == '"')
            field += listing[i++];
        else if (c == '"' && (quoted || field.empty()))
            quoted = !quoted;
        else if (quoted || (c != ',' && c != '\n'))
            field += c;
        else {
            rows.back().push_back(field);
            field.clear();
        }
        if (!quoted && c == '\n' && i + 1 < listing.size())
            rows.emplace_back();
    }
    if (quoted || (!listing.empty() && listing.back() != '\n'))
        Fail("a CSV listing cut short", listing);
    if (listing.empty())
        rows.clear();
    return rows;
}

// The record lines of a listing, each as the fields it stands for, with
// their keys.
std::vector<std::vector<std::string>> Parsed(ListFormat format, bool named, const std::string& listing)
{
    static const char* const kKeys[] = {"file", "index", "numero", "valeur", "tampon"};
    std::vector<std::vector<std::string>> records;
    if (format == ListFormat::Csv) {
        for (const std::vector<std::string>& row : ParsedCsv(listing)) {
            std::vector<std::string> fields;
            std::size_t k = named ? 0 : 1;
            for (const std::string& value : row) {
                if (k == sizeof kKeys / sizeof kKeys[0])
                    Fail("a CSV row with too many fields", listing);
                fields.insert(fields.end(), {kKeys[k++], value});
            }
            records.push_back(fields);
        }
        return records;
    }
    std::vector<std::string> lines = Lines(listing);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::vector<std::string> fields;
        std::size_t i = 0;
        if (format == ListFormat::Json && (!ParseObject(lines[k], i, fields) || i != lines[k].size()))
            Fail("a line that is not JSON", lines[k]);
        if (format == ListFormat::Tsv) {
            std::size_t tab = 0;
            for (const char* key : {"index", "numero", "valeur"}) {
                std::size_t next = lines[k].find('\t', tab);
                if (next == std::string::npos)
                    Fail("a line without its fields", lines[k]);
                fields.insert(fields.end(), {key, lines[k].substr(tab, next - tab)});
                tab = next + 1;
            }
            fields.insert(fields.end(), {"tampon", Decoded(lines[k].substr(tab))});
        }
        records.push_back(fields);
    }
    return records;
}

void CheckListing(const std::string& file, long long offset, ListFormat format, bool named)
{
    char* out_buffer = nullptr;
    char* err_buffer = nullptr;
    std::size_t out_size = 0;
    std::size_t err_size = 0;
    std::FILE* out = open_memstream(&out_buffer, &out_size);
    std::FILE* err = open_memstream(&err_buffer, &err_size);
    if (out == nullptr || err == nullptr)
        Fail("cannot set up the listing", "");
    bool headed = true;
    int status = ListFile(ScratchPath().c_str(),
        ListOptions{format, offset, -1, false, named, nullptr, kNoReason, false, false, 0}, headed, out, err);
    std::string listing = Take(out, out_buffer, out_size);
    std::string warnings = Take(err, err_buffer, err_size);
    // Among several files, a TSV listing starts with the file's banner.
    std::string banner = "==> " + ScratchPath() + " <==\n";
    if (named && format == ListFormat::Tsv) {
        if (listing.compare(0, banner.size(), banner) != 0)
            Fail("a listing without its file's banner", listing);
        listing.erase(0, banner.size());
    }
    std::size_t start =
        static_cast<std::size_t>(offset) < file.size() ? static_cast<std::size_t>(offset) : file.size();
    std::size_t whole = (file.size() - start) / kRecordSize;
    std::size_t unterminated = 0;
    std::vector<std::vector<std::string>> expected;
    // An offset on a record's start keeps each record's number in the file.
    auto index = static_cast<long long>(start % kRecordSize == 0 ? start / kRecordSize : 0);
    for (std::size_t k = 0; k < whole; ++k, ++index) {
        const char* p = file.data() + start + k * kRecordSize;
        unterminated += std::memchr(p + 8, '\0', kTamponSize) == nullptr ? 1 : 0;
        expected.push_back(Expected(p, index, named && format != ListFormat::Tsv));
    }
    // Past the end, an offset lists nothing, and nothing is wrong.
    bool shorter = static_cast<std::size_t>(offset) > file.size();
    std::size_t trailing = shorter ? 0 : (file.size() - start) % kRecordSize;
    bool warned = trailing != 0 || unterminated > 0;
    // A check's line says the trailing bytes; a listing says them on err.
    bool said = unterminated > 0 || (trailing != 0 && format != ListFormat::Check);
    if (status != (warned ? kListWarned : kListClean) || said == warnings.empty())
        Fail("the status does not say what the file holds", warnings);
    if (format == ListFormat::Check) {
        std::string line =
            ScratchPath() + ": " + std::to_string(whole) + (whole == 1 ? " record" : " records");
        if (unterminated > 0)
            line += ", " + std::to_string(unterminated) +
                (unterminated == 1 ? " text not terminated" : " texts not terminated");
        if (trailing > 0)
            line += ", " + std::to_string(trailing) + (trailing == 1 ? " trailing byte" : " trailing bytes");
        if (listing != line + "\n")
            Fail("the check does not say what the file holds", listing);
        return;
    }
    if (Parsed(format, named && format != ListFormat::Tsv, listing) != expected)
        Fail("the listing does not give back the records", listing);
}

// The text as the policy shows it, written whole on a stream.
std::string Escaped(TextPolicy policy, const std::string& text)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (out == nullptr)
        Fail("cannot set up the escape", "");
    PutEscapedText(out, policy, text.data(), text.size());
    return Take(out, buffer, size);
}

// A text of any length, a name as much as a record's text, shown in each
// policy and read back.
void CheckEscapes(const std::string& text)
{
    std::string json = Escaped(TextPolicy::Json, text);
    std::string back;
    std::size_t i = 0;
    if (!ParseString(json, i, back) || i != json.size() || back != text)
        Fail("a JSON string that does not give back its text", json);
    std::vector<std::vector<std::string>> rows = ParsedCsv(Escaped(TextPolicy::Csv, text) + "\n");
    if (rows.size() != 1 || rows[0].size() != 1 || rows[0][0] != text)
        Fail("a CSV field that does not give back its text", text);
    if (Decoded(Escaped(TextPolicy::Tsv, text)) != text)
        Fail("a TSV field that does not give back its text", text);
    for (unsigned char c : Escaped(TextPolicy::Message, text))
        if (c < 0x20 || c == 0x7f)
            Fail("a message that shows a control character", text);
}

// As hexadecimal digits, within the format's quotes, a text gives its bytes back.
void CheckHex(TextPolicy policy, const char* text, std::size_t n)
{
    char shown[kRecordTextRoom];
    std::string hex(shown, HexRecordText(policy, text, n, shown));
    bool quoted = hex.size() == 2 * n + 2 && hex.front() == '"' && hex.back() == '"';
    std::string digits = quoted ? hex.substr(1, hex.size() - 2) : hex;
    std::string back;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        back.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    if (back != std::string(text, n) || digits.size() != 2 * n ||
        digits.find_first_not_of("0123456789abcdef") != std::string::npos)
        Fail("a record's text as hexadecimal digits that does not give its bytes back", hex);
}

// Each record's text, copied whole where nothing needs a change, must be
// the escaper's bytes, whether looked at alone or with the others of the
// file in one pass.
void CheckRecordTexts(const std::string& file)
{
    std::size_t count = file.size() / kRecordSize;
    std::vector<TextLook> looks(count);
    std::vector<TextMarks> marks(count);
    for (TextPolicy policy : {TextPolicy::Tsv, TextPolicy::Csv, TextPolicy::Json}) {
        LookAtTexts(policy, file.data(), count, looks.data(), marks.data());
        for (std::size_t r = 0; r < count; ++r) {
            const char* text = file.data() + r * kRecordSize + offsetof(Record, tampon);
            std::size_t n = strnlen(text, kTamponSize);
            char fast[kRecordTextRoom];
            char walked[EscapedRoom(kTamponSize)];
            std::size_t used = 0;
            std::string escaped(walked, EscapeText(policy, text, n, walked, sizeof walked, used));
            if (std::string(fast, EscapeRecordText(policy, text, n, fast)) != escaped ||
                std::string(fast, PutLookedText(policy, text, looks[r], marks[r], fast)) != escaped)
                Fail("a record's text copied whole that the escaper shows otherwise", std::string(text, n));
            CheckHex(policy, text, n);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::string file(reinterpret_cast<const char*>(data) + 2, size - 2);
    long long offset = data[0] | (data[1] & 0x7f) << 8;
    bool named = (data[1] & 0x80) != 0;
    if (std::FILE* f = std::fopen(ScratchPath().c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        if (std::fclose(f) != 0)
            Fail("cannot write the file", ScratchPath());
    }
    for (ListFormat format : {ListFormat::Tsv, ListFormat::Csv, ListFormat::Json, ListFormat::Check})
        CheckListing(file, offset, format, named);
    CheckEscapes(file);
    CheckRecordTexts(file);
    return 0;
}
