#include "record.h"
#include "record_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The characters, bytes and broken sequences that a format may change, or
// that the pass must tell from those it may not: every byte value, the
// edges of each length of UTF-8 and of its ranges, the characters offices
// type, and sequences cut short or too long.
std::vector<std::string> Units()
{
    std::vector<std::string> units = {"\xc3\xa9", "\xdf\xbf", "\xc2\x80", "\xc2\x85", "\xc2\x9f", "\xc2\xa0",
        "\xc2\xab", "\xc2\xbb", "\xc2\xb0", "\xc3", "\xa9", "\xc0\x80", "\xc1\xbf", "\xe0\xa0\x80",
        "\xe0\x9f\xbf", "\xe1\x80\x80", "\xe2\x80\x99", "\xe2\x82\xac", "\xe2\x80\xaf", "\xe2\x80\xa6",
        "\xe2\x80\xa8", "\xe2\x80\xa9", "\xe2\x81\xa8", "\xe2\x82\xa9", "\xe2\x80\xa7", "\xe2\x82",
        "\xe2\x82\xac\xac", "\xec\xbf\xbf", "\xed\x9f\xbf", "\xed\xa0\x80", "\xee\x80\x80", "\xef\xbf\xbd",
        "\xef\xbf\xbe", "\xef\xbf\xbf", "\xf0\x90\x80\x80", "\xf0\x8f\xbf\xbf", "\xf0\x9f\x98\x80",
        "\xf0\x9f\x98", "\xf3\xbf\xbf\xbf", "\xf4\x8f\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80",
        "\xc3\xa9\xa9", "\xc3\xc3\xa9", "\xe2\xc3\xa9", "1,5", "\"ok\"", "a\tb", "\\n", "\r\n", ""};
    for (int b = 1; b < 256; ++b)
        units.emplace_back(1, static_cast<char>(b));
    return units;
}

// A record's 80 bytes of text: unit at, after plain letters, and the text
// ending n bytes in, or not at all when n is 80, with bytes after its NUL
// that would need a change.
std::string TextWith(const std::string& unit, std::size_t at, std::size_t n)
{
    std::string text = std::string(at, 'a') + unit + std::string(kTamponSize, 'e');
    text.resize(kTamponSize, '"');
    if (n < kTamponSize)
        text.replace(n, std::string::npos, std::string("\0\xa9\"\\\n", 5) + std::string(kTamponSize, '\xa9'));
    text.resize(kTamponSize);
    return text;
}

std::string Escaped(TextPolicy policy, const std::string& text, std::size_t n)
{
    std::string walked(kRecordTextRoom, '#');
    std::size_t used = 0;
    walked.resize(EscapeText(policy, text.data(), n, walked.data(), walked.size(), used));
    return walked;
}

// Each policy of a listing with each pass over texts: the one this machine
// takes (false), and the plain one (true), which it takes where it has no
// wider vector unit.
constexpr std::pair<bool, TextPolicy> kPassesAndPolicies[] = {{false, TextPolicy::Tsv},
    {false, TextPolicy::Csv}, {false, TextPolicy::Json}, {true, TextPolicy::Tsv}, {true, TextPolicy::Csv},
    {true, TextPolicy::Json}};

// The texts of count records from records looked at by a pass.
void LookWith(
    bool plain, TextPolicy policy, const char* records, std::size_t count, TextLook* looks, TextMarks* marks)
{
    if (!plain)
        return LookAtTexts(policy, records, count, looks, marks);
    const char* first = records + offsetof(Record, tampon);
    for (std::size_t r = 0; r < count; ++r)
        looks[r].size = static_cast<unsigned char>(strnlen(first + r * kRecordSize, kTamponSize));
    PassOverTextsPlain(policy, first, kRecordSize, count, looks, marks);
}

// A text of n bytes as a listing shows it after a pass.
std::string ShownWith(bool plain, TextPolicy policy, const std::string& text, std::size_t n)
{
    std::string shown(kRecordTextRoom, '#');
    if (!plain) {
        shown.resize(EscapeRecordText(policy, text.data(), n, shown.data()));
        return shown;
    }
    TextLook look{static_cast<unsigned char>(n), false, false, false};
    TextMarks marks;
    PassOverTextsPlain(policy, text.data(), 0, 1, &look, &marks);
    shown.resize(PutLookedText(policy, text.data(), look, marks, shown.data()));
    return shown;
}

} // namespace

// A record's text as the listing shows it is the escaper's bytes, after
// either pass: every unit at every place of the 80 bytes, the text ending
// right after it or a little later.
TEST(EscapeRecordText, TheEscapersBytesAtEveryPlace)
{
    for (auto [plain, policy] : kPassesAndPolicies) {
        for (const std::string& unit : Units()) {
            for (std::size_t at = 0; at + unit.size() <= kTamponSize; ++at) {
                for (std::size_t more : {0, 3}) {
                    std::size_t n = std::min(at + unit.size() + more, kTamponSize);
                    std::string text = TextWith(unit, at, n);
                    ASSERT_EQ(ShownWith(plain, policy, text, n), Escaped(policy, text, n))
                        << "plain " << plain << " policy " << static_cast<int>(policy) << " at " << at
                        << " n " << n << " byte " << static_cast<int>(unit[0] & 0xff);
                }
            }
        }
    }
}

// One pass over a block of records, each text after the other, shows each
// as the escaper does, after either pass: what one text found never carries
// over to the next, whether it was changed, invalid, without its NUL, or
// empty.
TEST(LookAtTexts, EachRecordOfABlockAsTheEscaper)
{
    std::vector<std::string> texts;
    for (const std::string& unit : Units())
        for (std::size_t at : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{47}})
            for (std::size_t n : {at, at + unit.size(), std::size_t{79}, kTamponSize})
                if (at + unit.size() <= n || n == kTamponSize)
                    texts.push_back(TextWith(unit, at, n));
    for (auto [plain, policy] : kPassesAndPolicies) {
        for (std::size_t start = 0; start < texts.size(); start += 61) {
            std::size_t count = std::min<std::size_t>(61, texts.size() - start);
            std::string block;
            for (std::size_t r = 0; r < count; ++r)
                block += std::string("\x01\x02\x03\x04\xfe\xff\xc3\xe2", 8) + texts[start + r];
            std::vector<TextLook> looks(count);
            std::vector<TextMarks> marks(count);
            LookWith(plain, policy, block.data(), count, looks.data(), marks.data());
            for (std::size_t r = 0; r < count; ++r) {
                const std::string& text = texts[start + r];
                std::size_t n = strnlen(text.data(), kTamponSize);
                std::string shown(kRecordTextRoom, '#');
                shown.resize(PutLookedText(policy, text.data(), looks[r], marks[r], shown.data()));
                ASSERT_EQ(shown, Escaped(policy, text, n))
                    << "plain " << plain << " policy " << static_cast<int>(policy) << " record " << start + r;
            }
        }
    }
}

// A block of records whose texts all end is told from one with a text
// that fills its 80 bytes, wherever that record is, and a NUL anywhere in
// a text ends it.
TEST(AllTextsEnd, EveryRecordOfTheBlock)
{
    constexpr std::size_t kRecords = 37;
    for (std::size_t unended = 0; unended <= kRecords; ++unended) {
        for (std::size_t nul : {std::size_t{0}, std::size_t{41}, kTamponSize - 1}) {
            std::string block(kRecords * kRecordSize, '\xc3');
            for (std::size_t r = 0; r < kRecords; ++r)
                if (r != unended)
                    block[r * kRecordSize + offsetof(Record, tampon) + nul] = '\0';
            EXPECT_EQ(AllTextsEnd(block.data(), kRecords), unended == kRecords) << unended << " " << nul;
            EXPECT_TRUE(AllTextsEnd(block.data(), unended)) << unended;
        }
    }
}
