// What only POSIX systems offer: a device that is always full, pipes.
#include "ecriture.h"
#include "record.h"

#include <gtest/gtest.h>

#include <tuple>

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
    char dir[kDirectorySize];
    for (auto [name, flushed, expected] :
        {std::tuple{"bare-name", true, "."}, {"/tmp/x", true, "/tmp"}, {"/x", true, "/"},
            {"/no-such-directory/x", false, "/no-such-directory"}, {"/dev/null/x", false, "/dev/null"}}) {
        EXPECT_EQ(FlushNewName(name, dir), flushed) << name;
        EXPECT_STREQ(dir, expected);
    }
}
