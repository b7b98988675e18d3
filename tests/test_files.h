// What the unit tests share: in-memory streams, and a directory of their own.
#ifndef ECRITURE_TEST_FILES_H
#define ECRITURE_TEST_FILES_H

#include "input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// The console input of a test: the bytes given, then the end of the input.
// One at a time: each call starts it again.
inline Input& Given(const std::string& bytes)
{
    static Input in;
    OpenInputOn(in, bytes.data(), bytes.size());
    return in;
}

// Everything written to a stream made by tmpfile, which it closes.
inline std::string Contents(std::FILE* f)
{
    long size = std::ftell(f);
    std::rewind(f);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

inline std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A new, empty directory of the test's own, removed with what it holds.
struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
        (std::string("ecriture_test_") + testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(std::random_device{}()));
    TempDir()
    {
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::filesystem::remove_all(path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

#endif
