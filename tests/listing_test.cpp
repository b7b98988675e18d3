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
}
