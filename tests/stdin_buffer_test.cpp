#include "stdin_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// Where the C library's buffer can be read, it must tell exactly what a
// stream holds; elsewhere, nothing. A change to the library's FILE fails here.
TEST(BufferedInput, WhatTheStreamHoldsAfterEachRead)
{
    const bool known = ECRITURE_GLIBC_STDIN;
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    std::string bytes(300, 'x');
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), in), bytes.size());
    std::rewind(in);
    static char buffer[256];
    ASSERT_EQ(std::setvbuf(in, buffer, _IOFBF, sizeof buffer), 0);
    EXPECT_EQ(BufferedInput(in), 0u);
    std::getc(in);
    EXPECT_EQ(BufferedInput(in), known ? 255u : 0u);
    for (int i = 0; i < 255; ++i)
        std::getc(in);
    EXPECT_EQ(BufferedInput(in), 0u);
    std::getc(in);
    EXPECT_EQ(BufferedInput(in), known ? 43u : 0u);
    std::fclose(in);
}

TEST(TakeBufferedLine, WholeLinesOnlyAsGetcWouldGiveThem)
{
    const bool known = ECRITURE_GLIBC_STDIN;
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    // In a buffer of 16: a line, one cut at the limit, one the buffer cuts.
    std::fputs("ab\ncdefghij\nklmnopq", in);
    std::rewind(in);
    static char buffer[16];
    ASSERT_EQ(std::setvbuf(in, buffer, _IOFBF, sizeof buffer), 0);
    ASSERT_EQ(std::getc(in), 'a');
    char line[8];
    for (auto [most, taken] : {std::pair{8u, "b\n"}, {4u, "cdef"}, {8u, "ghij\n"}, {8u, ""}}) {
        std::size_t n = TakeBufferedLine(in, line, most);
        EXPECT_EQ(std::string(line, n), known ? taken : "") << most;
        for (const char* p = taken; !known && *p != '\0'; ++p)
            EXPECT_EQ(std::getc(in), *p);
    }
    // Nothing was taken of the line the buffer cuts.
    EXPECT_EQ(std::getc(in), 'k');
    std::fclose(in);
}

TEST(BufferedLines, LineEndsInHandUpToTheMostAsked)
{
    const bool known = ECRITURE_GLIBC_STDIN;
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    std::fputs("a\nbb\n\ncut here", in);
    std::rewind(in);
    EXPECT_EQ(BufferedLines(in, 3), 0u);
    std::getc(in);
    for (auto [most, lines] : {std::pair{1u, 1u}, {3u, 3u}, {9u, 3u}})
        EXPECT_EQ(BufferedLines(in, most), known ? lines : 0u) << most;
    std::fclose(in);
}
