// Names on Windows: UTF-8 names as the system's UTF-16 paths.
#include "wide_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

TEST(ToWidePath, LongPathsPrefixedAndTooLongOnesRefused)
{
    static wchar_t wide[kWidePathSize];
    ASSERT_TRUE(ToWidePath("r.dat", wide));
    EXPECT_STREQ(wide, L"r.dat");
    // Past 260 characters: whole, after the prefix that lifts the limit.
    ASSERT_TRUE(ToWidePath(std::string(300, 'a').c_str(), wide));
    EXPECT_EQ(std::wcsncmp(wide, L"\\\\?\\", 4), 0);
    EXPECT_EQ(std::wcslen(wide) - std::wcslen(std::wcsrchr(wide, L'\\')), std::wcslen(wide) - 301);
    // A name that fits but whose full path does not, and one that does not fit.
    for (std::size_t length : {kWidePathSize - 4, kWidePathSize + 10}) {
        SetLastError(0);
        EXPECT_FALSE(ToWidePath(std::string(length, 'b').c_str(), wide)) << length;
        EXPECT_NE(GetLastError(), 0u) << length;
    }
}

TEST(ToWidePath, NamesWrittenWholeKeptAsTheyAre)
{
    // \\?\ and \\.\ ask the system to take the name literally, however
    // long: neither is a share's \\server.
    static wchar_t wide[kWidePathSize];
    for (const char* start : {"\\\\?\\C:\\", "\\\\.\\C:\\"}) {
        std::string name = start + std::string(300, 'c');
        ASSERT_TRUE(ToWidePath(name.c_str(), wide)) << start;
        EXPECT_EQ(std::wstring(wide), std::wstring(name.begin(), name.end())) << start;
    }
}
