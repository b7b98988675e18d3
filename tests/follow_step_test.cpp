#include "follow_step.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// What a look saw besides the lengths.
enum Seen : unsigned {
    kBusy = 1,
    kDrained = 2,
    kJustRead = 4,
    kLastChanged = 8,
    kPartChanged = 16,
    kFailed = 32,
    kBroken = 64,
    kReaderGone = 128,
};

// A situation of a follow that listed two records, 176 bytes, and what the
// policy does in it.
struct Situation {
    // cppcheck-suppress unusedStructMember ; shown when a case fails
    const char* what;
    long long length;
    long long read;
    unsigned seen;
    Naming naming;
    FollowStep step;
    FollowEnd end;
};

FollowLook LookOf(const Situation& s)
{
    FollowLook look{};
    look.readerGone = (s.seen & kReaderGone) != 0;
    look.broken = (s.seen & kBroken) != 0;
    look.failure = (s.seen & kFailed) != 0 ? 5 : kNoReason;
    look.busy = (s.seen & kBusy) != 0;
    look.naming = s.naming;
    look.length = s.length;
    look.lastSame = (s.seen & kLastChanged) == 0;
    look.partSame = (s.seen & kPartChanged) == 0;
    look.listedEnd = 176;
    look.read = s.read;
    look.justRead = (s.seen & kJustRead) != 0;
    look.drained = (s.seen & kDrained) != 0;
    return look;
}

} // namespace

TEST(NextFollowStep, EverySituation)
{
    const Naming same = Naming::Same;
    const FollowStep read = FollowStep::Read;
    const FollowStep wait = FollowStep::Wait;
    const FollowStep end = FollowStep::End;
    const FollowEnd none = FollowEnd::None;
    for (const Situation& s : std::vector<Situation>{
             {"nothing new", 176, 176, 0, same, wait, none},
             {"grown", 264, 176, 0, same, read, none},
             {"grown, the read gave nothing", 264, 176, kDrained, same, wait, none},
             {"read", 264, 264, kJustRead, same, FollowStep::List, none},
             // The reader's truth: nothing is read while a writer holds the
             // lock, and a part at the end waits to be whole, whoever writes.
             {"a writer's hold", 264, 176, kBusy, same, FollowStep::LookAgain, none},
             {"a part at the end", 216, 216, 0, same, wait, none},
             {"a part, read short", 264, 216, kDrained, same, wait, none},
             {"a part, more to read", 264, 216, 0, same, read, none},
             {"the part taken back", 176, 216, 0, same, FollowStep::ReadAgain, none},
             {"the part rewritten", 264, 216, kPartChanged, same, FollowStep::ReadAgain, none},
             {"a record taken back", 88, 176, 0, same, end, FollowEnd::Truncated},
             {"the last record rewritten", 176, 176, kLastChanged, same, end, FollowEnd::Rewritten},
             {"renamed, more to read", 264, 176, 0, Naming::Renamed, read, none},
             {"renamed, a part at the end", 216, 216, 0, Naming::Renamed, end, FollowEnd::Renamed},
             {"removed", 176, 176, 0, Naming::Removed, end, FollowEnd::Removed},
             {"replaced", 176, 176, 0, Naming::Replaced, end, FollowEnd::Replaced},
             {"replaced and shorter", 0, 176, 0, Naming::Replaced, end, FollowEnd::Truncated},
             {"a failure", 0, 176, kFailed, same, FollowStep::MeetFailure, none},
             {"the output failed", 176, 176, kBroken | kFailed, same, end, FollowEnd::Failed},
             {"the reader gone", 176, 176, kReaderGone | kBroken, same, end, FollowEnd::ReaderGone},
         }) {
        FollowDecision next = NextFollowStep(LookOf(s));
        EXPECT_EQ(next.step, s.step) << s.what;
        EXPECT_EQ(next.end, s.end) << s.what;
    }
}
