// What only POSIX systems offer: a device that is always full, pipes.
#include "listed_file.h"
#include "record.h"
#include "record_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include <unistd.h>

TEST(RecordFile, FullDeviceAndPipes)
{
    bool created = true;
    Reason why = kNoReason;
    FileHandle file = OpenRecordFile("/dev/full", created, why);
    ASSERT_NE(file, kNoFile);
    EXPECT_FALSE(created);
    char bytes[kRecordSize] = {};
    EXPECT_EQ(WriteWhole(file, bytes, sizeof bytes, why), 0u);
    EXPECT_EQ(why, static_cast<Reason>(ENOSPC));
    // Nothing to flush on a device or a pipe: not a failure.
    EXPECT_EQ(FlushRecordFile(file), kNoReason);
    EXPECT_EQ(CloseFile(file), kNoReason);

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    EXPECT_EQ(FileLength(pipefd[1], why), -1);
    EXPECT_EQ(why, kNoReason);
    EXPECT_EQ(WriteWhole(pipefd[1], bytes, sizeof bytes, why), kRecordSize);
    EXPECT_EQ(FlushRecordFile(pipefd[1]), kNoReason);
    char back[kRecordSize + 1];
    EXPECT_EQ(ReadSome(pipefd[0], back, sizeof back, why), static_cast<long long>(kRecordSize));
    close(pipefd[0]);
    close(pipefd[1]);
    EXPECT_EQ(CloseFile(pipefd[1]), static_cast<Reason>(EBADF));
    EXPECT_EQ(ReadSome(pipefd[0], back, sizeof back, why), -1);
    EXPECT_EQ(why, static_cast<Reason>(EBADF));
}

TEST(RecordFile, NewNameDirectories)
{
    // The directory of a bare name is the current one; of "/x", the root.
    char dir[kDirectorySize];
    for (auto [name, flushed, expected] :
        {std::tuple{"bare-name", true, "."}, {"/tmp/x", true, "/tmp"}, {"/x", true, "/"},
            {"/no-such-directory/x", false, "/no-such-directory"}, {"/dev/null/x", false, "/dev/null"}}) {
        EXPECT_EQ(FlushNewName(name, dir) == kNoReason, flushed) << name;
        EXPECT_STREQ(dir, expected);
    }
}
