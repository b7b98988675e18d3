#include "record.h"
#include "record_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A record's text copied whole shows as the escaper shows it, byte for
// byte: every byte value, and the characters each format may change, at
// every place of the 80 bytes, the text ending right after them or a
// little later, with bytes after its NUL that would need a change.
TEST(EscapeRecordText, TheEscapersBytesAtEveryPlace)
{
    std::vector<std::string> units = {"\xc3\xa9", "\xdf\xbf", "\xc2\x85", "\xc2\xa0", "\xc3", "\xa9",
        "\xc1\xbf", "\xe2\x80\xa8", "\xe2\x80\x99", "\xef\xbf\xbe", "\xf0\x9f\x98\x80", "\xed\xa0\x80",
        "\xc3\xa9\xa9", "\xc3\xc3\xa9"};
    for (int b = 1; b < 256; ++b)
        units.emplace_back(1, static_cast<char>(b));
    for (TextPolicy policy : {TextPolicy::Tsv, TextPolicy::Csv, TextPolicy::Json}) {
        for (const std::string& unit : units) {
            for (std::size_t at = 0; at + unit.size() <= kTamponSize; ++at) {
                for (std::size_t more : {0, 3}) {
                    std::size_t n = std::min(at + unit.size() + more, kTamponSize);
                    std::string text = std::string(at, 'a') + unit + std::string(kTamponSize, 'e');
                    text.resize(kTamponSize, '"');
                    if (n < kTamponSize)
                        text.replace(n, std::string::npos,
                            std::string("\0\xa9\"\\\n", 5) + std::string(kTamponSize, '\xa9'));
                    text.resize(kTamponSize);
                    std::string fast(EscapedRoom(kTamponSize), '#');
                    fast.resize(EscapeRecordText(policy, text.data(), n, fast.data()));
                    std::string walked(EscapedRoom(kTamponSize), '#');
                    std::size_t used = 0;
                    walked.resize(EscapeText(policy, text.data(), n, walked.data(), walked.size(), used));
                    ASSERT_EQ(fast, walked) << static_cast<int>(policy) << " at " << at << " n " << n
                                            << " byte " << static_cast<int>(unit[0] & 0xff);
                }
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
