#include "input.h"
#include "listed_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// The next line, read into a buffer of size bytes.
std::string Next(Input& in, std::size_t size)
{
    std::string line(size, '#');
    std::size_t n = ReadLine(in, line.data(), size);
    EXPECT_EQ(line[n], '\0');
    return line.substr(0, n);
}

// An input read from a file of these bytes, in blocks as the system gives them.
struct FileInput {
    TempDir dir;
    Input in{};
    explicit FileInput(const std::string& bytes)
    {
        std::ofstream(dir.path / "in", std::ios::binary) << bytes;
        Reason why = kNoReason;
        OpenInput(in, OpenListedFile((dir.path / "in").string().c_str(), why));
    }
    ~FileInput()
    {
        (void)CloseFile(in.file);
    }
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;
};

} // namespace

TEST(ReadLine, LimitLeftoverNulAndEnd)
{
    Input& in = Given(
        std::string(79, 'a') + "bc\n" + std::string(78, 'd') + "\n" + std::string("a\0b\n", 4) + "last");
    for (const std::string& line : {std::string(79, 'a'), std::string("bc\n"), std::string(78, 'd') + "\n",
             std::string("a\0b\n", 4), std::string("last"), std::string(), std::string()})
        EXPECT_EQ(Next(in, 80), line);
}

TEST(ReadLine, AcrossReadsAndLongerThanTheBuffer)
{
    // Lines of 100 bytes, one across the end of the first block; one longer
    // than a block; the last without its line end.
    std::vector<std::string> lines;
    std::string bytes;
    for (std::size_t at = 0; at < kInputSize + 300; at += 100)
        lines.push_back(std::string(99, static_cast<char>('a' + lines.size() % 26)) + "\n");
    lines.push_back(std::string(kInputSize + 10, 'L') + "\n");
    lines.push_back("end");
    for (const std::string& line : lines)
        bytes += line;
    FileInput file(bytes);
    for (const std::string& line : lines)
        EXPECT_EQ(Next(file.in, 2 * kInputSize), line);
    EXPECT_EQ(Next(file.in, 80), "");
    EXPECT_TRUE(file.in.ended);
    EXPECT_EQ(file.in.failed, kNoReason);
}

TEST(DropLine, TheRestWhateverItsLength)
{
    FileInput file("ab" + std::string(kInputSize + 5, 'x') + "\nnext\ncut");
    EXPECT_EQ(Next(file.in, 3), "ab");
    EXPECT_EQ(DropLine(file.in), kInputSize + 5);
    EXPECT_EQ(Next(file.in, 80), "next\n");
    EXPECT_EQ(DropLine(file.in), 3u);
    EXPECT_EQ(DropLine(file.in), 0u);
}

TEST(LinesInHand, WhatTheNextReadsTakeWithoutWaiting)
{
    FileInput file("a\nbb\n\ncut here");
    EXPECT_EQ(LinesInHand(file.in, 3), 0u);
    EXPECT_EQ(Next(file.in, 80), "a\n");
    for (auto [most, lines] : {std::pair{1u, 1u}, {2u, 2u}, {9u, 2u}})
        EXPECT_EQ(LinesInHand(file.in, most), lines) << most;
    for (const char* line : {"bb\n", "\n", "cut here", ""})
        EXPECT_EQ(Next(file.in, 80), line);
    // Once the input has ended, no read waits.
    EXPECT_EQ(LinesInHand(file.in, 7), 7u);
}
