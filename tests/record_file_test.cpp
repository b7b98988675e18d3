#include "listed_file.h"
#include "record.h"
#include "record_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string Encoded(const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return std::string(bytes, sizeof bytes);
}

// Opens for appending, checking whether the open made the file.
FileHandle OpenExpecting(const fs::path& path, bool expectCreated)
{
    bool created = !expectCreated;
    Reason why = kNoReason;
    FileHandle file = OpenRecordFile(path.string().c_str(), created, why);
    EXPECT_EQ(created, expectCreated && file != kNoFile) << path;
    EXPECT_EQ(why != kNoReason, file == kNoFile) << path;
    return file;
}

std::size_t Write(FileHandle file, const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    Reason why = kNoReason;
    return WriteWhole(file, bytes, sizeof bytes, why);
}

long long Length(FileHandle file)
{
    Reason why = kNoReason;
    return FileLength(file, why);
}

} // namespace

TEST(RecordFile, AppendsAfterExistingBytes)
{
    TempDir dir;
    fs::path path = dir.path / "old.dat";
    std::ofstream(path, std::ios::binary) << "12345";
    FileHandle file = OpenExpecting(path, false);
    ASSERT_NE(file, kNoFile);
    EXPECT_EQ(Length(file), 5);
    EXPECT_EQ(Write(file, Record{7, -7, "seven"}), kRecordSize);
    EXPECT_EQ(Length(file), 5 + 88);
    EXPECT_EQ(CloseFile(file), kNoReason);
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
        EXPECT_EQ(Write(i % 2 == 0 ? first : second, rec), kRecordSize);
        expected += Encoded(rec);
    }
    EXPECT_EQ(CloseFile(first), kNoReason);
    EXPECT_EQ(CloseFile(second), kNoReason);
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
    EXPECT_EQ(Length(file), big);
    EXPECT_EQ(Write(file, Record{}), kRecordSize);
    EXPECT_EQ(Length(file), big + 88);
    EXPECT_EQ(CloseFile(file), kNoReason);
    EXPECT_EQ(fs::file_size(path), static_cast<std::uintmax_t>(big + 88));
}

TEST(RecordFile, OpenFailures)
{
    TempDir dir;
    EXPECT_EQ(OpenExpecting("", false), kNoFile);
    EXPECT_EQ(OpenExpecting(dir.path / "missing" / "x", false), kNoFile);
    EXPECT_EQ(OpenExpecting(dir.path, false), kNoFile);
    Reason why = kNoReason;
    EXPECT_EQ(OpenListedFile((dir.path / "missing").string().c_str(), why), kNoFile);
    EXPECT_STRNE(DescribeReason(why), "");
}

TEST(RecordFile, FlushesDataAndNewNames)
{
    TempDir dir;
    fs::path path = dir.path / "new.dat";
    FileHandle file = OpenExpecting(path, true);
    ASSERT_NE(file, kNoFile);
    char parent[kDirectorySize];
    EXPECT_EQ(FlushNewName(path.string().c_str(), parent), kNoReason);
    EXPECT_EQ(Write(file, Record{1, 2, "x"}), kRecordSize);
    EXPECT_EQ(FlushRecordFile(file), kNoReason);
    EXPECT_EQ(CloseFile(file), kNoReason);
    EXPECT_EQ(ReadAll(path), Encoded(Record{1, 2, "x"}));
}
