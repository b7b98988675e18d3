#include "escape.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

namespace {

size_t Measure(const std::string& s)
{
    return MeasureUtf8(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

// What the policy makes of the text on a stream.
std::string Shown(TextPolicy policy, const std::string& text)
{
    std::FILE* out = std::tmpfile();
    PutEscapedText(out, policy, text.data(), text.size());
    return Contents(out);
}

// What fits of the text's form in room bytes, and how much of the text it shows.
std::pair<std::string, std::size_t> Cut(const std::string& text, std::size_t room)
{
    std::string to(room, '#');
    std::size_t used = 0;
    std::size_t n = EscapeText(TextPolicy::Message, text.data(), text.size(), to.data(), room, used);
    return {to.substr(0, n), used};
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

TEST(EscapeTsv, EscapesWhatWouldBreakTheLine)
{
    EXPECT_EQ(Shown(TextPolicy::Tsv, ""), "");
    EXPECT_EQ(Shown(TextPolicy::Tsv, "plain text, \"quoted\""), "plain text, \"quoted\"");
    EXPECT_EQ(Shown(TextPolicy::Tsv, "a\tb\nc\rd\x7f\x1b[0m"), "a\\x09b\\x0ac\\x0dd\\x7f\\x1b[0m");
    EXPECT_EQ(Shown(TextPolicy::Tsv, "back\\slash \\x41"), "back\\\\slash \\\\x41");
    EXPECT_EQ(Shown(TextPolicy::Tsv, "\xc3\xa9t\xc3\xa9 \xe2\x9c\x93"), "\xc3\xa9t\xc3\xa9 \xe2\x9c\x93");
    EXPECT_EQ(Shown(TextPolicy::Tsv, "\xff\xc3(\xe2\x82"), "\\xff\\xc3(\\xe2\\x82");
    EXPECT_EQ(Shown(TextPolicy::Tsv, std::string("\xc2\x9b") + "2J\xc2\xa0"), "\\xc2\\x9b2J\xc2\xa0");
}

TEST(EscapeCsv, QuotesAsRfc4180)
{
    // Empty, so that a database reads an empty text, not NULL.
    EXPECT_EQ(Shown(TextPolicy::Csv, ""), "\"\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, "plain\ttext\\x41"), "plain\ttext\\x41");
    EXPECT_EQ(Shown(TextPolicy::Csv, "a,b"), "\"a,b\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, "say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, "\""), "\"\"\"\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, "cr\r"), "\"cr\r\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, "lf\n"), "\"lf\n\"");
    // Every other byte as it is: a CSV reader has no unescape step.
    EXPECT_EQ(Shown(TextPolicy::Csv, "\xc3\xa9\xff,\"\x80\\xff"), "\"\xc3\xa9\xff,\"\"\x80\\xff\"");
}

TEST(EscapeMessage, NamesAsTheSystemSpellsThem)
{
    // A backslash is a backslash; what could break the line or steer the
    // terminal is shown as \xHH.
    EXPECT_EQ(Shown(TextPolicy::Message, "C:\\temp\\x.dat"), "C:\\temp\\x.dat");
    EXPECT_EQ(Shown(TextPolicy::Message, "n\nb\x1b[2J\xff\xc3\xa9"), "n\\x0ab\\x1b[2J\\xff\xc3\xa9");
}

TEST(EscapeJson, EscapesControlsAndInvalidBytes)
{
    EXPECT_EQ(Shown(TextPolicy::Json, ""), "\"\"");
    EXPECT_EQ(Shown(TextPolicy::Json, "a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(Shown(TextPolicy::Json, "\b\f\n\r\t\x01\x1f\x7f"), "\"\\b\\f\\n\\r\\t\\u0001\\u001f\\u007f\"");
    // C1 controls by their code point; other characters as they are.
    EXPECT_EQ(Shown(TextPolicy::Json, "\xc3\xa9\xe2\x9c\x93\xc2\x9b\xc2\xa0"),
        "\"\xc3\xa9\xe2\x9c\x93\\u009b\xc2\xa0\"");
    // The line and paragraph separators, which some readers split lines on.
    EXPECT_EQ(Shown(TextPolicy::Json,
                  "a\xe2\x80\xa8"
                  "b\xe2\x80\xa9\xe2\x80\xaa"),
        "\"a\\u2028b\\u2029\xe2\x80\xaa\"");
    // Each invalid byte as the lone surrogate U+DC00 + byte.
    EXPECT_EQ(Shown(TextPolicy::Json, "\xff\xc3(\x80\xe2\x82"), "\"\\udcff\\udcc3(\\udc80\\udce2\\udc82\"");
}

TEST(EscapeCell, OnlyWhatTheFormatWouldReadAsItsEscape)
{
    // An underscore starts the format's own escape only as _xHHHH_, whole,
    // wherever it stands, the text's end included.
    for (auto [text, shown] : {std::pair{"_x0041_", "_x005F_x0041_"}, {"a_x00e9_", "a_x005F_x00e9_"},
             {"__x0041_", "__x005F_x0041_"}, {"_x0041", "_x0041"}, {"_x004G_", "_x004G_"},
             {"_X0041_", "_X0041_"}, {"_", "_"}, {"_x", "_x"}, {"a_", "a_"}, {"\xff", "\xef\xbf\xbd"},
             {"\xef\xbf\xbe", "_xFFFE_"}, {"\xef\xbf\xbf", "_xFFFF_"}})
        EXPECT_EQ(Shown(TextPolicy::Cell, text), shown) << text;
}

TEST(EscapeText, MessageCutNeverSplitsAnEscapeOrACharacter)
{
    // The room ends inside an escape, inside a character, after a whole one.
    for (auto [text, room, shown, used] :
        {std::tuple{"ab\x1b", 5, "ab", 2}, {"ab\x1b", 6, "ab\\x1b", 3}, {"a\xc3\xa9", 2, "a", 1},
            {"a\xc3\xa9z", 3, "a\xc3\xa9", 3}, {"a\\b", 2, "a\\", 2}, {"abc", 0, "", 0},
            // A character that the text ends with, cut by the room at each of its bytes.
            {"a\xf0\x9f\x98\x80", 2, "a", 1}, {"a\xf0\x9f\x98\x80", 4, "a", 1},
            {"a\xf0\x9f\x98\x80", 5, "a\xf0\x9f\x98\x80", 5}, {"ab\xe2\x9c\x93", 4, "ab", 2},
            {"ab\xe2\x9c\x93", 5, "ab\xe2\x9c\x93", 5}, {"\xc3\xa9", 1, "", 0}})
        EXPECT_EQ(Cut(text, room), std::pair(std::string(shown), std::size_t(used))) << text << " " << room;
}

TEST(EscapeText, LongTextsInPieces)
{
    // Longer than one piece: a name among several files, say.
    std::string name = std::string(600, 'a') + "\xc3\xa9\x1b" + std::string(600, 'b');
    std::string tail = "\xc3\xa9\\x1b" + std::string(600, 'b');
    EXPECT_EQ(Shown(TextPolicy::Message, name), std::string(600, 'a') + tail);
    EXPECT_EQ(Shown(TextPolicy::Json, name),
        "\"" + std::string(600, 'a') + "\xc3\xa9\\u001b" + std::string(600, 'b') + "\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, name + ","), "\"" + name + ",\"");
    EXPECT_EQ(Shown(TextPolicy::Csv, name), name);
    // Continuation bytes past any character's length, in every policy.
    std::string run(2000, '\x80');
    EXPECT_EQ(Shown(TextPolicy::Csv, run), run);
    EXPECT_EQ(Shown(TextPolicy::Tsv, run).size(), 4 * run.size());
}
