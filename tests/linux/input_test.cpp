// Linux gives a file's bytes as they are, CRs included, a block at a time.
#include "input.h"
#include "listed_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

TEST(DropLine, NotesACrAtTheEndOfABlock)
{
    TempDir dir;
    // The CR the last byte of the first block, its LF the next one's first.
    std::ofstream(dir.path / "in", std::ios::binary)
        << "ab" + std::string(kInputSize - 3, 'x') + "\r\nnext\n";
    Reason why = kNoReason;
    Input in{};
    OpenInput(in, OpenListedFile((dir.path / "in").string().c_str(), why));
    char line[3];
    EXPECT_EQ(ReadLine(in, line, sizeof line), 2u);
    DropLine(in);
    EXPECT_TRUE(in.crlf);
    EXPECT_EQ(CloseFile(in.file), kNoReason);
}
