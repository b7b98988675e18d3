#include "record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string TempPath()
{
    char path[] = "/tmp/record_testXXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    return path;
}

long long FileSize(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_size;
}

} // namespace

TEST(RecordFile, AppendsAfterExistingBytes)
{
    std::string path = TempPath();
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(write(fd, "12345", 5), 5);
    close(fd);

    fd = OpenRecordFile(path.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(QueryPosition(fd), 5);
    Record rec{7, -7, "seven"};
    EXPECT_EQ(WriteRecord(fd, rec), kRecordSize);
    EXPECT_EQ(QueryPosition(fd), 5 + 88);
    EXPECT_TRUE(CloseRecordFile(fd));
    EXPECT_EQ(FileSize(path), 5 + 88);
    unlink(path.c_str());
}

TEST(RecordFile, BeyondTwoGiB)
{
    std::string path = TempPath();
    const long long big = (3LL << 30) + 3;
    ASSERT_EQ(truncate(path.c_str(), big), 0);
    int fd = OpenRecordFile(path.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(QueryPosition(fd), big);
    EXPECT_EQ(WriteRecord(fd, Record{}), kRecordSize);
    EXPECT_EQ(QueryPosition(fd), big + 88);
    EXPECT_TRUE(CloseRecordFile(fd));
    unlink(path.c_str());
}

TEST(RecordFile, FailuresReported)
{
    EXPECT_EQ(OpenRecordFile(""), -1);
    EXPECT_EQ(OpenRecordFile("/nonexistent-dir/x"), -1);
    EXPECT_EQ(OpenRecordFile("/tmp"), -1);

    int fd = OpenRecordFile("/dev/full");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteRecord(fd, Record{}), 0u);
    EXPECT_TRUE(CloseRecordFile(fd));

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    EXPECT_EQ(QueryPosition(pipefd[1]), -1);
    EXPECT_EQ(WriteRecord(pipefd[1], Record{}), kRecordSize);
    close(pipefd[0]);
    close(pipefd[1]);
    EXPECT_FALSE(CloseRecordFile(pipefd[1]));
}
