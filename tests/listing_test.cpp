#include "listing.h"
#include "messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

size_t Measure(const std::string& s)
{
    return MeasureUtf8(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

// What the printer makes of the text.
std::string Shown(void (*put)(std::FILE*, const char*, std::size_t), const std::string& text)
{
    std::FILE* out = std::tmpfile();
    put(out, text.data(), text.size());
    std::string shown(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    EXPECT_EQ(std::fread(shown.data(), 1, shown.size(), out), shown.size());
    std::fclose(out);
    return shown;
}

} // namespace

TEST(MeasureUtf8, ValidSequences)
{
    EXPECT_EQ(Measure("a"), 1u);
    EXPECT_EQ(Measure("\x7f"), 1u);
    EXPECT_EQ(Measure("\xc2\x80"), 2u);
    EXPECT_EQ(Measure("\xdf\xbf"), 2u);
    EXPECT_EQ(Measure("\xe0\xa0\x80"), 3u);
    EXPECT_EQ(Measure("\xed\x9f\xbf"), 3u); // U+D7FF, below the surrogates
    EXPECT_EQ(Measure("\xef\xbf\xbf"), 3u);
    EXPECT_EQ(Measure("\xf0\x90\x80\x80"), 4u);
    EXPECT_EQ(Measure("\xf4\x8f\xbf\xbf"), 4u); // U+10FFFF
}

TEST(MeasureUtf8, InvalidSequences)
{
    EXPECT_EQ(Measure("\x80"), 0u);
    EXPECT_EQ(Measure("\xc0\xaf"), 0u); // overlong
    EXPECT_EQ(Measure("\xc1\xbf"), 0u);
    EXPECT_EQ(Measure("\xe0\x9f\xbf"), 0u);
    EXPECT_EQ(Measure("\xed\xa0\x80"), 0u); // surrogate
    EXPECT_EQ(Measure("\xf0\x8f\xbf\xbf"), 0u);
    EXPECT_EQ(Measure("\xf4\x90\x80\x80"), 0u); // past U+10FFFF
    EXPECT_EQ(Measure("\xf5\x80\x80\x80"), 0u);
    EXPECT_EQ(Measure("\xc3("), 0u);
    EXPECT_EQ(Measure("\xe2\x82"), 0u); // cut short by the end of the text
}

TEST(TextTsv, EscapesWhatWouldBreakTheLine)
{
    EXPECT_EQ(Shown(PutTextTsv, ""), "");
    EXPECT_EQ(Shown(PutTextTsv, "plain text, \"quoted\""), "plain text, \"quoted\"");
    EXPECT_EQ(Shown(PutTextTsv, "a\tb\nc\rd\x7f\x1b[0m"), "a\\x09b\\x0ac\\x0dd\\x7f\\x1b[0m");
    EXPECT_EQ(Shown(PutTextTsv, "back\\slash \\x41"), "back\\\\slash \\\\x41");
    EXPECT_EQ(Shown(PutTextTsv, "\xc3\xa9t\xc3\xa9 \xe2\x9c\x93"), "\xc3\xa9t\xc3\xa9 \xe2\x9c\x93");
    EXPECT_EQ(Shown(PutTextTsv, "\xff\xc3(\xe2\x82"), "\\xff\\xc3(\\xe2\\x82");
    EXPECT_EQ(Shown(PutTextTsv, std::string("\xc2\x9b") + "2J\xc2\xa0"), "\\xc2\\x9b2J\xc2\xa0");
}

TEST(TextCsv, QuotesAsRfc4180)
{
    EXPECT_EQ(Shown(PutTextCsv, ""), "");
    EXPECT_EQ(Shown(PutTextCsv, "plain\ttext\\"), "plain\ttext\\\\");
    EXPECT_EQ(Shown(PutTextCsv, "a,b"), "\"a,b\"");
    EXPECT_EQ(Shown(PutTextCsv, "say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Shown(PutTextCsv, "\""), "\"\"\"\"");
    EXPECT_EQ(Shown(PutTextCsv, "cr\r"), "\"cr\r\"");
    EXPECT_EQ(Shown(PutTextCsv, "lf\n"), "\"lf\n\"");
    // A backslash is doubled, so that an escape and the four bytes \xff differ.
    EXPECT_EQ(Shown(PutTextCsv, "\xc3\xa9\xff,\"\x80\\xff"), "\"\xc3\xa9\\xff,\"\"\\x80\\\\xff\"");
}

TEST(TextJson, EscapesControlsAndInvalidBytes)
{
    EXPECT_EQ(Shown(PutTextJson, ""), "\"\"");
    EXPECT_EQ(Shown(PutTextJson, "a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(Shown(PutTextJson, "\b\f\n\r\t\x01\x1f\x7f"), "\"\\b\\f\\n\\r\\t\\u0001\\u001f\\u007f\"");
    // C1 controls by their code point; other characters as they are.
    EXPECT_EQ(Shown(PutTextJson, "\xc3\xa9\xe2\x9c\x93\xc2\x9b\xc2\xa0"),
        "\"\xc3\xa9\xe2\x9c\x93\\u009b\xc2\xa0\"");
    // Each invalid byte as the lone surrogate U+DC00 + byte.
    EXPECT_EQ(Shown(PutTextJson, "\xff\xc3(\x80\xe2\x82"), "\"\\udcff\\udcc3(\\udc80\\udce2\\udc82\"");
}

TEST(ParseOffset, DigitsOnly)
{
    long long offset = -1;
    EXPECT_TRUE(ParseOffset("0", offset));
    EXPECT_EQ(offset, 0);
    EXPECT_TRUE(ParseOffset("9223372036854775807", offset));
    EXPECT_EQ(offset, LLONG_MAX);
    for (const char* bad :
        {"", "-1", "+5", " 5", "5 ", "0x10", "5k", "9223372036854775808", "99999999999999999999"})
        EXPECT_FALSE(ParseOffset(bad, offset)) << bad;
    EXPECT_EQ(offset, LLONG_MAX);
}
