#include "ecriture.h"
#include "record.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string Encoded(const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return std::string(bytes, sizeof bytes);
}

// A new, empty directory of the test's own, removed with what it holds.
struct TempDir {
    fs::path path = fs::temp_directory_path() /
        (std::string("record_test_") + testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(std::random_device{}()));
    TempDir()
    {
        fs::create_directories(path);
    }
    ~TempDir()
    {
        fs::remove_all(path);
    }
};

// Opens for appending, checking whether the open made the file.
FileHandle OpenExpecting(const fs::path& path, bool expectCreated)
{
    bool created = !expectCreated;
    FileHandle file = OpenRecordFile(path.string().c_str(), created);
    EXPECT_EQ(created, expectCreated && file != kNoFile) << path;
    return file;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
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

TEST(RecordFile, AppendsAfterExistingBytes)
{
    TempDir dir;
    fs::path path = dir.path / "old.dat";
    std::ofstream(path, std::ios::binary) << "12345";
    FileHandle file = OpenExpecting(path, false);
    ASSERT_NE(file, kNoFile);
    EXPECT_EQ(QueryPosition(file), 5);
    EXPECT_EQ(WriteRecord(file, Record{7, -7, "seven"}), kRecordSize);
    EXPECT_EQ(QueryPosition(file), 5 + 88);
    EXPECT_TRUE(CloseFile(file));
    EXPECT_EQ(ReadAll(path), "12345" + Encoded(Record{7, -7, "seven"}));
}

TEST(RecordFile, TwoWritersAppendWholeRecords)
{
    TempDir dir;
    fs::path name = dir.path / "shared.dat";
    FileHandle first = OpenExpecting(name, true);
    FileHandle second = OpenExpecting(name, false);
    ASSERT_NE(first, kNoFile);
    ASSERT_NE(second, kNoFile);
    std::string expected;
    for (int i = 0; i < 6; ++i) {
        Record rec{i, -i, "record"};
        EXPECT_EQ(WriteRecord(i % 2 == 0 ? first : second, rec), kRecordSize);
        expected += Encoded(rec);
    }
    EXPECT_TRUE(CloseFile(first));
    EXPECT_TRUE(CloseFile(second));
    EXPECT_EQ(ReadAll(name), expected);
}

TEST(RecordFile, BeyondTwoGiB)
{
    TempDir dir;
    fs::path path = dir.path / "big.dat";
    const long long big = (3LL << 30) + 3;
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, big);
    FileHandle file = OpenExpecting(path, false);
    ASSERT_NE(file, kNoFile);
    EXPECT_EQ(QueryPosition(file), big);
    EXPECT_EQ(WriteRecord(file, Record{}), kRecordSize);
    EXPECT_EQ(QueryPosition(file), big + 88);
    EXPECT_TRUE(CloseFile(file));
    EXPECT_EQ(fs::file_size(path), static_cast<std::uintmax_t>(big + 88));
}

TEST(RecordFile, OpenFailures)
{
    TempDir dir;
    EXPECT_EQ(OpenExpecting("", false), kNoFile);
    EXPECT_EQ(OpenExpecting(dir.path / "missing" / "x", false), kNoFile);
    EXPECT_EQ(OpenExpecting(dir.path, false), kNoFile);
    EXPECT_STRNE(DescribeLastError(), "");
    EXPECT_EQ(OpenListedFile((dir.path / "missing").string().c_str()), kNoFile);
}

TEST(RecordFile, FlushesDataAndNewNames)
{
    TempDir dir;
    fs::path path = dir.path / "new.dat";
    FileHandle file = OpenExpecting(path, true);
    ASSERT_NE(file, kNoFile);
    char parent[kDirectorySize];
    EXPECT_TRUE(FlushNewName(path.string().c_str(), parent));
    EXPECT_EQ(WriteRecord(file, Record{1, 2, "x"}), kRecordSize);
    EXPECT_TRUE(FlushRecordFile(file));
    EXPECT_TRUE(CloseFile(file));
    EXPECT_EQ(ReadAll(path), Encoded(Record{1, 2, "x"}));
}
