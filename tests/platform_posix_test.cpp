// What only POSIX systems offer: a device that is always full, pipes.
#include "record.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(RecordFile, FullDeviceAndPipes)
{
    FileHandle file = OpenRecordFile("/dev/full");
    ASSERT_NE(file, kNoFile);
    EXPECT_EQ(WriteRecord(file, Record{}), 0u);
    EXPECT_TRUE(CloseFile(file));

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    EXPECT_EQ(QueryPosition(pipefd[1]), -1);
    EXPECT_EQ(WriteRecord(pipefd[1], Record{}), kRecordSize);
    char bytes[kRecordSize + 1];
    EXPECT_EQ(ReadSome(pipefd[0], bytes, sizeof bytes), static_cast<long long>(kRecordSize));
    close(pipefd[0]);
    close(pipefd[1]);
    EXPECT_FALSE(CloseFile(pipefd[1]));
    EXPECT_EQ(ReadSome(pipefd[0], bytes, sizeof bytes), -1);
}
