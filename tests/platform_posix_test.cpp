// What only POSIX systems offer: a device that is always full, pipes.
#include "record.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(RecordFile, FullDeviceAndPipes)
{
    bool created = true;
    FileHandle file = OpenRecordFile("/dev/full", created);
    ASSERT_NE(file, kNoFile);
    EXPECT_FALSE(created);
    EXPECT_EQ(WriteRecord(file, Record{}), 0u);
    // Nothing to flush on a device or a pipe: not a failure.
    EXPECT_TRUE(FlushRecordFile(file));
    EXPECT_TRUE(CloseFile(file));

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    EXPECT_EQ(QueryPosition(pipefd[1]), -1);
    EXPECT_EQ(WriteRecord(pipefd[1], Record{}), kRecordSize);
    EXPECT_TRUE(FlushRecordFile(pipefd[1]));
    char bytes[kRecordSize + 1];
    EXPECT_EQ(ReadSome(pipefd[0], bytes, sizeof bytes), static_cast<long long>(kRecordSize));
    close(pipefd[0]);
    close(pipefd[1]);
    EXPECT_FALSE(CloseFile(pipefd[1]));
    EXPECT_EQ(ReadSome(pipefd[0], bytes, sizeof bytes), -1);
}

TEST(RecordFile, NewNameDirectories)
{
    // The directory of a bare name is the current one; of "/x", the root.
    EXPECT_TRUE(FlushNewName("bare-name"));
    EXPECT_TRUE(FlushNewName("/tmp/x"));
    EXPECT_TRUE(FlushNewName("/x"));
    EXPECT_FALSE(FlushNewName("/no-such-directory/x"));
    EXPECT_FALSE(FlushNewName("/dev/null/x"));
}
