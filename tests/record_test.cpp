#include "record.h"

#include <gtest/gtest.h>

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
