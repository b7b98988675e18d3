#include "append.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(PlanAppend, BatchesOnlyWhatNoReadCanWaitFor)
{
    for (auto [console, shared, inHand, batch, flushEach, flushAtRelease, sayEachWait] : {
             // A person: one record at a time, each on disk before its report.
             std::tuple{Console::Terminal, false, std::size_t{5}, std::size_t{0}, true, false, true},
             {Console::Edited, true, std::size_t{0}, std::size_t{0}, true, false, true},
             // Piped: what the input holds whole, up to a batch, else one
             // record whose reads may wait.
             {Console::Piped, false, std::size_t{0}, std::size_t{0}, false, false, false},
             {Console::Piped, false, std::size_t{1}, std::size_t{1}, false, false, false},
             {Console::Piped, false, kBatchMost + 1, kBatchMost, false, false, false},
             // A shared file: flushed before the next station takes the lock.
             {Console::Piped, true, std::size_t{3}, std::size_t{3}, false, true, false},
             {Console::Piped, true, std::size_t{0}, std::size_t{0}, false, true, false},
         }) {
        AppendPlan plan = PlanAppend(console, shared, inHand);
        EXPECT_EQ(std::tuple(plan.batch, plan.flushEach, plan.flushAtRelease, plan.sayEachWait),
            std::tuple(batch, flushEach, flushAtRelease, sayEachWait))
            << static_cast<int>(console) << " " << shared << " " << inHand;
    }
}
