#include "dialogue.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

namespace {

int Parse(const std::string& s)
{
    return ParseNumber(s.c_str());
}

} // namespace

TEST(NumberParse, PlainAndGarbage)
{
    EXPECT_EQ(Parse("42\n"), 42);
    EXPECT_EQ(Parse("  42abc\n"), 42);
    EXPECT_EQ(Parse("0x1A\n"), 0);
    EXPECT_EQ(Parse("abc\n"), 0);
    EXPECT_EQ(Parse("\n"), 0);
    EXPECT_EQ(Parse(""), 0);
    EXPECT_EQ(Parse("007"), 7);
    EXPECT_EQ(Parse("12 34"), 12);
}

TEST(NumberParse, SignsAndBlanks)
{
    EXPECT_EQ(Parse("-7\n"), -7);
    EXPECT_EQ(Parse("+5\n"), 5);
    EXPECT_EQ(Parse(" \t\v\f\r\n-9"), -9);
    EXPECT_EQ(Parse("--5"), 0);
    EXPECT_EQ(Parse("+-5"), 0);
    EXPECT_EQ(Parse("- 5"), 0);
    EXPECT_EQ(Parse("-"), 0);
    EXPECT_EQ(Parse(std::string("\xa0") + "5"), 0);
}

TEST(NumberParse, OutOfRangeClamps)
{
    EXPECT_EQ(Parse("2147483647"), INT32_MAX);
    EXPECT_EQ(Parse("2147483648"), INT32_MAX);
    EXPECT_EQ(Parse("-2147483648"), INT32_MIN);
    EXPECT_EQ(Parse("-2147483649"), INT32_MIN);
    EXPECT_EQ(Parse("99999999999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(Parse("-99999999999999999999999999999999"), INT32_MIN);
    EXPECT_EQ(Parse("18446744073709551617"), INT32_MAX);
}

TEST(DelNewLine, DropsTheLastByteOnly)
{
    char s[kLineSize] = "abc\n";
    DelNewLine(s);
    EXPECT_STREQ(s, "abc");
    DelNewLine(s);
    EXPECT_STREQ(s, "ab");
    char cr[kLineSize] = "name\r\n";
    DelNewLine(cr);
    EXPECT_STREQ(cr, "name\r");
}

TEST(DelNewLine, EmptyStringUntouched)
{
    char s[4] = {'\0', 'x', 'y', '\0'};
    DelNewLine(s);
    EXPECT_EQ(std::memcmp(s, "\0xy\0", 4), 0);
}

TEST(DelNewLine, FullLine)
{
    char s[kLineSize];
    std::memset(s, 'a', kLineSize - 1);
    s[kLineSize - 1] = '\0';
    DelNewLine(s);
    EXPECT_EQ(std::strlen(s), kLineSize - 2);
}

namespace {

// The text that ReadRecord stores for a typed text line, and what it says.
std::pair<std::string, std::string> Stored(const std::string& typed)
{
    Input& in = Given("1\n2\n" + typed);
    std::FILE* err = std::tmpfile();
    Record rec{};
    Notes notes{};
    EXPECT_EQ(ReadRecord(rec, notes, Console::Piped, in, nullptr, err), 3) << typed;
    EXPECT_EQ(rec.tampon[strnlen(rec.tampon, sizeof rec.tampon) + 1], '\0') << typed;
    return {std::string(rec.tampon, strnlen(rec.tampon, sizeof rec.tampon)), Contents(err)};
}

} // namespace

TEST(ReadRecord, TextLessItsLineEndOrCutOnACharacter)
{
    // Longer than 78 bytes: a character crossing the limit, or ending on it,
    // or an invalid byte before it; a last line without its line end too.
    const std::string a77(77, 'a');
    const std::string a76(76, 'a');
    for (auto [typed, kept] :
        {std::pair{std::string("abc\n"), std::string("abc")}, {"\n", ""}, {"tail\r\n", "tail\r"},
            {"last", "last"}, {std::string(78, 'x') + "\n", std::string(78, 'x')},
            {std::string(79, 'x') + "\n", std::string(78, 'x')},
            {std::string(200, 'y') + "\nz\n", std::string(78, 'y')}, {a77 + "\xc3\xa9t\xc3\xa9\n", a77},
            {a76 + "\xe2\x9c\x93z\n", a76}, {a76 + "\xc3\xa9\xc3\xa9\n", a76 + "\xc3\xa9"},
            {a76 + "\xe2\x9c\x93", a76}, {"\xff" + a77 + "\xc3\xa9\n", "\xff" + a77}, {a77 + "\xe2\x9c", a77},
            // A NUL ends the text, wherever it stands in what a read takes.
            {std::string("hello\0world\nnext\n", 17), "hello"}, {std::string("\0x\n", 3), ""},
            {std::string(a77).append(1, '\0').append(a77).append("\n"), a77}}) {
        std::size_t nul = typed.find('\0');
        std::string said = nul < kLineSize - 1
            ? "ecriture: text holds a NUL byte: the rest of its line is dropped\n"
            : std::min(typed.find('\n'), typed.size()) > kTextMost
            ? "ecriture: text longer than 78 bytes: cut to " + std::to_string(kept.size()) + " bytes\n"
            : "";
        EXPECT_EQ(Stored(typed), std::pair(kept, said)) << typed;
    }
}

TEST(ReadName, WholeLineAsLongAsItFitsWithoutNul)
{
    Input& in = Given(" a.dat \n" + std::string(9, 'n') + "\n" + std::string(10, 'm') + "\n" +
        std::string("ab\0c.dat\n", 9) + "last");
    char name[10];
    bool tooLong = false;
    bool holdsNul = false;
    auto read = [&] {
        return ReadName("", name, sizeof name, tooLong, holdsNul, Console::Piped, in, stdout);
    };
    for (auto [expected, refused, nul] : {std::tuple{std::string(" a.dat "), false, false},
             {std::string(9, 'n'), false, false}, {std::string(9, 'm'), true, false},
             {std::string("ab"), false, true}, {std::string("last"), false, false}}) {
        ASSERT_TRUE(read());
        EXPECT_EQ(std::string(name), expected);
        EXPECT_EQ(std::pair(tooLong, holdsNul), std::pair(refused, nul)) << expected;
    }
    EXPECT_FALSE(read());
}

TEST(ReadChar, FirstByteOfEachLine)
{
    Input& in = Given("yes\n\n oui\n\xff\n" + std::string(85, 'n') + "\n" + std::string(300, 'Y'));
    std::FILE* out = std::tmpfile();
    auto read = [&] { return ReadChar("(Y/N) ?)", Console::Piped, in, out); };
    // The rest of a long line is dropped.
    for (int answer : {int{'y'}, int{'\n'}, int{' '}, 0xff, int{'n'}, int{'Y'}, EOF})
        EXPECT_EQ(read(), answer);
    std::string prompts;
    for (int i = 0; i < 7; ++i)
        prompts += "(Y/N) ?)";
    EXPECT_EQ(Contents(out), prompts);
}

namespace {

struct Capture {
    Record rec{};
    std::string echo;
    std::string said;
};

// Fills one record from the given input as the dialogue does; false when
// the input ended before the record was whole.
bool Enter(Capture& c, const std::string& input)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    bool whole = SaiSieRecord(c.rec, Console::Piped, Given(input), out, err) == 3;
    c.echo = Contents(out);
    c.said = Contents(err);
    return whole;
}

// Bytes [from, from + n) of the record in the file.
std::string Bytes(const Record& rec, std::size_t from, std::size_t n)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return std::string(bytes + from, n);
}

} // namespace

TEST(SaiSieRecord, PromptsEchoAndBytes)
{
    Capture c;
    ASSERT_TRUE(Enter(c, "12\n-3\nabc\n"));
    EXPECT_EQ(c.echo, "Saisie numero :Saisie valeur :Saisie Tampon :12\n-3\nabc\n-----------------------\n");
    EXPECT_EQ(Bytes(c.rec, 0, 13), std::string("\x0c\0\0\0\xfd\xff\xff\xff", 8) + std::string("abc\0\0", 5));
    EXPECT_EQ(Bytes(c.rec, 13, 75), std::string(75, '\0'));
}

TEST(SaiSieRecord, EmptyAndGarbageLines)
{
    Capture c;
    ASSERT_TRUE(Enter(c, "none\n\n\n"));
    EXPECT_EQ(Bytes(c.rec, 0, 10), std::string(10, '\0'));
    EXPECT_EQ(c.echo.substr(45), "0\n0\n\n-----------------------\n");
}

TEST(SaiSieRecord, StaleTailKeptBetweenRecords)
{
    Capture c;
    ASSERT_TRUE(Enter(c, "1\n2\nabcdef\n"));
    ASSERT_TRUE(Enter(c, "3\n4\nxy\n"));
    EXPECT_EQ(Bytes(c.rec, 8, 8), std::string("xy\0\0ef\0\0", 8));
    EXPECT_EQ(c.echo.substr(45), "3\n4\nxy\n-----------------------\n");
}

TEST(SaiSieRecord, LongLinesAndExtremes)
{
    Capture c;
    std::string text78(78, 't');
    ASSERT_TRUE(Enter(c, "-2147483648\n9999999999\n" + text78 + "\n"));
    EXPECT_EQ(c.rec.numero, INT32_MIN);
    EXPECT_EQ(c.rec.valeur, INT32_MAX);
    EXPECT_EQ(std::string(c.rec.tampon), text78);
    EXPECT_EQ(c.echo.substr(45), "-2147483648\n2147483647\n" + text78 + "\n-----------------------\n");
    EXPECT_EQ(c.said, "");
    // A number line of 79 bytes is read whole; a longer one for its first
    // 79, the rest dropped and said.
    ASSERT_TRUE(Enter(c, std::string(78, ' ') + "5" + "6\n" + std::string(77, ' ') + "7\ntexte\n"));
    EXPECT_EQ(c.rec.numero, 5);
    EXPECT_EQ(c.rec.valeur, 7);
    EXPECT_EQ(std::string(c.rec.tampon), "texte");
    EXPECT_EQ(c.said, "ecriture: number line longer than 79 bytes: the rest of it is dropped\n");
}

TEST(SaiSieRecord, EndOfInputAtEachRead)
{
    const char* cut[] = {"", "12\n", "12\n-3\n"};
    const char* prompts[] = {
        "Saisie numero :", "Saisie numero :Saisie valeur :", "Saisie numero :Saisie valeur :Saisie Tampon :"};
    for (int i = 0; i < 3; ++i) {
        Capture c;
        EXPECT_FALSE(Enter(c, cut[i])) << i;
        EXPECT_EQ(c.echo, prompts[i]) << i;
    }
    Capture c;
    ASSERT_TRUE(Enter(c, "12\n-3\nabc"));
    EXPECT_EQ(std::string(c.rec.tampon), "abc");
}
