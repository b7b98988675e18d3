#include "ecriture.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(KeepsLock, OnlyWhileNoReadOrWriteCanWait)
{
    const LockView piped{Console::Piped, false};
    for (auto [view, lines, reads, kept] : {
             // A person's answers are never in hand, whatever the buffer holds.
             std::tuple{LockView{Console::Terminal, false}, kReadsOfRecord, kReadsOfRecord, false},
             {LockView{Console::Edited, true}, kReadsOfAnswer, kReadsOfAnswer, false},
             // Piped: a full buffer, then one just short of a record or of an answer.
             {piped, kReadsOfRecord, kReadsOfRecord, true},
             {piped, kReadsOfRecord - 1, kReadsOfRecord, false},
             {piped, kReadsOfAnswer, kReadsOfAnswer, true},
             {piped, 0, kReadsOfAnswer, false},
             // Output to a pipe or a terminal could wait: never held across it.
             {LockView{Console::Piped, true}, kReadsOfRecord, kReadsOfRecord, false},
         })
        EXPECT_EQ(KeepsLock(view, lines, reads), kept) << lines << " " << reads;
}
