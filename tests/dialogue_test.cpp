#include "dialogue.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Text(const char (&line)[kLineSize])
{
    return line;
}

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

TEST(LineRead, LimitAndLeftover)
{
    std::FILE* in = Input(std::string(79, 'a') + "bc\n" + std::string(78, 'd') + "\n");
    char line[kLineSize];
    EXPECT_EQ(ReadLine(in, line), 79u);
    EXPECT_EQ(Text(line), std::string(79, 'a'));
    EXPECT_EQ(ReadLine(in, line), 3u);
    EXPECT_EQ(Text(line), "bc\n");
    EXPECT_EQ(ReadLine(in, line), 79u);
    EXPECT_EQ(Text(line), std::string(78, 'd') + "\n");
    EXPECT_EQ(ReadLine(in, line), 0u);
    std::fclose(in);
}

TEST(LineRead, EndOfInput)
{
    std::FILE* in = Input("last");
    char line[kLineSize];
    EXPECT_EQ(ReadLine(in, line), 4u);
    EXPECT_EQ(Text(line), "last");
    EXPECT_EQ(ReadLine(in, line), 0u);
    EXPECT_EQ(Text(line), "");
    EXPECT_EQ(ReadLine(in, line), 0u);
    std::fclose(in);
}

TEST(LineRead, NulBytesAreCounted)
{
    std::FILE* in = Input(std::string("a\0b\n", 4));
    char line[kLineSize];
    EXPECT_EQ(ReadLine(in, line), 4u);
    EXPECT_EQ(std::memcmp(line, "a\0b\n", 5), 0);
    std::fclose(in);
}

TEST(ReadText, DropsLineEndOrCutsWhatIsTooLong)
{
    std::FILE* in = Input("abc\n\n" + std::string(79, 'x') + "\ntail\r\n" + std::string(200, 'y') + "\nlast");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    char line[kLineSize];
    auto read = [&] { return ReadText(">", line, Console::Piped, in, out, err); };
    for (const std::string& text : {std::string("abc"), std::string(), std::string(78, 'x'),
             std::string("tail\r"), std::string(78, 'y'), std::string("last")}) {
        ASSERT_TRUE(read());
        EXPECT_EQ(Text(line), text);
    }
    EXPECT_FALSE(read());
    std::fclose(in);
    // Every read shows its prompt, the one that finds the input ended too;
    // each cut is said, and its rest answers nothing.
    EXPECT_EQ(Contents(out), ">>>>>>>");
    std::string cut = "ecriture: text longer than 78 bytes: cut to 78 bytes\n";
    EXPECT_EQ(Contents(err), cut + cut);
}

TEST(ReadText, CutOnACharacterWhenValid)
{
    // Longer than 78 bytes: a character crossing the limit, or ending on it,
    // or an invalid byte before it; a last line without its line end too.
    const std::string a77(77, 'a');
    const std::string a76(76, 'a');
    for (auto [typed, kept] : {std::pair{a77 + "\xc3\xa9t\xc3\xa9\n", a77}, {a76 + "\xe2\x9c\x93z\n", a76},
             {a76 + "\xc3\xa9\xc3\xa9\n", a76 + "\xc3\xa9"}, {a76 + "\xe2\x9c\x93", a76},
             {"\xff" + a77 + "\xc3\xa9\n", "\xff" + a77}, {a77 + "\xe2\x9c", a77}}) {
        std::FILE* in = Input(typed);
        std::FILE* err = std::tmpfile();
        char line[kLineSize];
        ASSERT_TRUE(ReadText("", line, Console::Piped, in, stdout, err));
        EXPECT_EQ(Text(line), kept) << typed;
        EXPECT_EQ(line[kept.size() + 1], '\0');
        EXPECT_EQ(Contents(err),
            "ecriture: text longer than 78 bytes: cut to " + std::to_string(kept.size()) + " bytes\n");
        std::fclose(in);
    }
}

TEST(ReadName, WholeLineAsLongAsItFits)
{
    std::FILE* in = Input(" a.dat \n" + std::string(9, 'n') + "\n" + std::string(10, 'm') + "\nlast");
    char name[10];
    bool tooLong = false;
    auto read = [&] { return ReadName("", name, sizeof name, tooLong, Console::Piped, in, stdout); };
    for (auto [expected, refused] : {std::pair{std::string(" a.dat "), false}, {std::string(9, 'n'), false},
             {std::string(9, 'm'), true}, {std::string("last"), false}}) {
        ASSERT_TRUE(read());
        EXPECT_EQ(std::string(name), expected);
        EXPECT_EQ(tooLong, refused) << expected;
    }
    EXPECT_FALSE(read());
    std::fclose(in);
}

TEST(ReadChar, FirstByteOfEachLine)
{
    std::FILE* in = Input("yes\n\n oui\n\xff\n" + std::string(85, 'n') + "\n" + std::string(300, 'Y'));
    std::FILE* out = std::tmpfile();
    auto read = [&] { return ReadChar("(Y/N) ?)", Console::Piped, in, out); };
    // The rest of a long line is dropped.
    for (int answer : {int{'y'}, int{'\n'}, int{' '}, 0xff, int{'n'}, int{'Y'}, EOF})
        EXPECT_EQ(read(), answer);
    std::fclose(in);
    std::string prompts;
    for (int i = 0; i < 7; ++i)
        prompts += "(Y/N) ?)";
    EXPECT_EQ(Contents(out), prompts);
}

std::string Appended(long long v)
{
    char buf[kNumberSize + 1];
    buf[kNumberSize] = '#';
    std::string text(buf, AppendNumber(buf, v));
    EXPECT_EQ(buf[kNumberSize], '#') << v;
    return text;
}

TEST(AppendNumber, DigitCountsAndExtremes)
{
    EXPECT_EQ(Appended(0), "0");
    EXPECT_EQ(Appended(-1), "-1");
    EXPECT_EQ(Appended(9), "9");
    EXPECT_EQ(Appended(10), "10");
    EXPECT_EQ(Appended(99), "99");
    EXPECT_EQ(Appended(100), "100");
    EXPECT_EQ(Appended(-1005), "-1005");
    EXPECT_EQ(Appended(2147483648LL), "2147483648");
    EXPECT_EQ(Appended(LLONG_MAX), "9223372036854775807");
    EXPECT_EQ(Appended(LLONG_MIN), "-9223372036854775808");
}

TEST(AppendNumber, EachSideOfEveryPowerOfTen)
{
    for (long long power = 1; power <= LLONG_MAX / 10; power *= 10)
        for (long long v : {power - 1, power, power + 1, -power, 10 * power - 1})
            EXPECT_EQ(Appended(v), std::to_string(v));
    EXPECT_EQ(Appended(4294967295LL), "4294967295"); // the widest 32-bit value
    EXPECT_EQ(Appended(4294967296LL), "4294967296");
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
    std::FILE* in = Input(input);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    bool whole = SaiSieRecord(c.rec, Console::Piped, in, out, err);
    c.echo = Contents(out);
    c.said = Contents(err);
    std::fclose(in);
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
