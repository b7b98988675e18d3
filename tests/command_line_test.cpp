#include "command_line.h"
#include "listing.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ParseWhole, DigitsOnly)
{
    long long offset = -1;
    EXPECT_TRUE(ParseWhole("0", offset));
    EXPECT_EQ(offset, 0);
    EXPECT_TRUE(ParseWhole("9223372036854775807", offset));
    EXPECT_EQ(offset, LLONG_MAX);
    for (const char* bad :
        {"", "-1", "+5", " 5", "5 ", "0x10", "5k", "9223372036854775808", "99999999999999999999"})
        EXPECT_FALSE(ParseWhole(bad, offset)) << bad;
    EXPECT_EQ(offset, LLONG_MAX);
    // A count past every file's records means them all.
    for (const char* many : {"9223372036854775808", "99999999999999999999", "18446744073709551616"}) {
        offset = 0;
        EXPECT_TRUE(ParseWhole(many, offset, true)) << many;
        EXPECT_EQ(offset, LLONG_MAX);
    }
    EXPECT_FALSE(ParseWhole("9x", offset, true));
}
