#include "record.h"

#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cstring>
#include <string>

namespace {

std::string Encoded(const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return std::string(bytes, sizeof bytes);
}

} // namespace

TEST(RecordBytes, LittleEndianOnEveryHost)
{
    EXPECT_EQ(Encoded(Record{12, -3, "abc"}),
        std::string("\x0c\0\0\0\xfd\xff\xff\xff"
                    "abc",
            11) +
            std::string(77, '\0'));
    EXPECT_EQ(Encoded(Record{0x01020304, INT32_MIN, {}}).substr(0, 8),
        std::string("\x04\x03\x02\x01\0\0\0\x80", 8));
    EXPECT_EQ(
        Encoded(Record{INT32_MAX, -1, {}}).substr(0, 8), std::string("\xff\xff\xff\x7f\xff\xff\xff\xff", 8));
}

TEST(RecordBytes, DecodeGivesBackEveryByte)
{
    char bytes[kRecordSize];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<char>(0x80 + 3 * i);
    Record rec = DecodeRecord(bytes);
    EXPECT_EQ(rec.numero, static_cast<std::int32_t>(0x89868380));
    EXPECT_EQ(rec.valeur, static_cast<std::int32_t>(0x95928f8c));
    EXPECT_EQ(std::memcmp(rec.tampon, bytes + 8, sizeof rec.tampon), 0);
    EXPECT_EQ(Encoded(rec), std::string(bytes, sizeof bytes));
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

// Every value of 32 bits, a step apart that visits each digit count, sign
// and last digits, written as std::to_chars writes it.
TEST(AppendNumber, AsToCharsAcrossThirtyTwoBits)
{
    for (long long v = INT32_MIN; v <= INT32_MAX; v += 65521) {
        char expected[kNumberSize];
        std::string text = Appended(v);
        EXPECT_EQ(text, std::string(expected, std::to_chars(expected, expected + sizeof expected, v).ptr))
            << v;
    }
}

TEST(AppendNumber, EachSideOfEveryPowerOfTen)
{
    for (long long power = 1; power <= LLONG_MAX / 10; power *= 10)
        for (long long v : {power - 1, power, power + 1, -power, 10 * power - 1})
            EXPECT_EQ(Appended(v), std::to_string(v));
    EXPECT_EQ(Appended(4294967295LL), "4294967295"); // the widest 32-bit value
    EXPECT_EQ(Appended(4294967296LL), "4294967296");
}
