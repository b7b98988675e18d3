#include "ecriture.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(KeepsLock, OnlyWhileEveryReadIsInHand)
{
    constexpr std::size_t kRecord = kReadsOfRecord * kMostTakenByRead;
    for (auto [console, inHand, reads, kept] : {
             // A person's answers are never in hand, whatever the buffer holds.
             std::tuple{Console::Terminal, std::size_t{1} << 16, kReadsOfRecord, false},
             {Console::Edited, std::size_t{1} << 16, kReadsOfAnswer, false},
             // Piped: a full buffer, then one just short of a record or of an answer.
             {Console::Piped, std::size_t{1} << 16, kReadsOfRecord, true},
             {Console::Piped, kRecord, kReadsOfRecord, true},
             {Console::Piped, kRecord - 1, kReadsOfRecord, false},
             {Console::Piped, kMostTakenByRead, kReadsOfAnswer, true},
             {Console::Piped, kMostTakenByRead - 1, kReadsOfAnswer, false},
             {Console::Piped, 0, kReadsOfAnswer, false},
         })
        EXPECT_EQ(KeepsLock(console, inHand, reads), kept) << inHand << " " << reads;
}
