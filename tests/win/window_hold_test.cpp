// What only Windows has: the console window that Explorer gives a program.
#include "windows_console.h"

#include <gtest/gtest.h>

TEST(ShouldHoldWindow, OnlyWhenAloneOnItsConsole)
{
    // Alone on a console of its own: started from Explorer.
    EXPECT_TRUE(ShouldHoldWindow(1, true));
    // A shell shares the console, or a stream is redirected, or no console.
    for (auto [processes, console] :
        {std::pair{2ul, true}, {3ul, true}, {1ul, false}, {0ul, true}, {0ul, false}})
        EXPECT_FALSE(ShouldHoldWindow(processes, console)) << processes << " " << console;
}
