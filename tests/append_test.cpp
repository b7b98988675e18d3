#include "append.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* NameOf(Step step)
{
    static const char* const kNames[] = {"begin", "lock", "wait", "write", "flush", "take-back", "stop",
        "flush-hold", "take-back-hold", "release", "report"};
    return kNames[static_cast<int>(step)];
}

// A situation, and what the system answers in it: the lock's try, each
// record's write, every flush and every cut.
struct Situation {
    // cppcheck-suppress unusedStructMember ; shown when a case fails
    const char* what;
    Console console;
    bool shared;
    bool regular;
    LockState tried;
    std::vector<std::size_t> writes;
    bool flushFails;
    bool cutFails;
};

// The steps the policy takes in the situation, as the system answers.
std::string StepsIn(const Situation& s, bool& stopped)
{
    std::vector<Pending> records(s.writes.size());
    AgreedLock lock{kNoFile, "r.dat", s.regular, s.shared, LockState::Free, false};
    Hold h = StartHold(lock, s.console, records.data(), records.size());
    std::string steps;
    for (Step step; (step = NextStep(h)) != Step::Report; h.done = step) {
        steps += std::string(steps.empty() ? "" : " ") + NameOf(step);
        Reason failed = static_cast<Reason>(EIO);
        // The record at hand: the next one for a write, else the last written.
        Pending* r = step == Step::Write ? &h.records[h.tried]
            : h.tried > 0                ? &h.records[h.tried - 1]
                                         : nullptr;
        if (step == Step::TakeLock || step == Step::WaitLock)
            h.lock = step == Step::WaitLock ? LockState::Held : s.tried;
        else if (step == Step::Write)
            r->stays = s.writes[h.tried++];
        else if (step == Step::FlushRecord)
            r->flushFailed = s.flushFails ? failed : kNoReason;
        else if (step == Step::FlushHold)
            h.flushFailed = s.flushFails ? failed : kNoReason;
        else if (step == Step::TakeBack)
            r->stays = s.cutFails ? r->stays : 0;
        else if (step == Step::Stop)
            h.stopped = true;
        else if (step == Step::Release)
            h.lock = LockState::Free;
    }
    stopped = h.stopped;
    return steps;
}

} // namespace

TEST(NextStep, EverySituation)
{
    constexpr std::size_t kWhole = kRecordSize;
    const Console person = Console::Terminal;
    const Console piped = Console::Piped;
    for (auto [s, steps, stops] :
        std::vector<std::tuple<Situation, std::string, bool>>{
            // A person: each record on the disk before its report.
            {{"typed", person, false, true, LockState::Held, {kWhole}, false, false},
                "lock write flush release", false},
            // Its flush failed: taken back under the lock, so that the file
            // holds only what is reported; without the lock it stays.
            {{"typed, flush failed", person, false, true, LockState::Held, {kWhole}, true, false},
                "lock write flush take-back release", false},
            {{"typed, flush failed, no locks", person, false, true, LockState::Absent, {kWhole}, true, false},
                "lock write flush", false},
            {{"typed on a shared file", Console::Edited, true, true, LockState::Held, {kWhole}, false, false},
                "lock write flush release", false},
            // Piped: a batch under one hold, flushed at the close.
            {{"piped", piped, false, true, LockState::Held, {kWhole, kWhole}, false, false},
                "lock write write release", false},
            {{"piped, busy", piped, false, true, LockState::Busy, {kWhole}, false, false},
                "lock wait write release", false},
            // A lock that fails is not held: nothing can be taken back.
            {{"piped, lock failed", piped, false, true, LockState::Failed, {kWhole}, false, false},
                "lock write", false},
            {{"piped to a device", piped, false, false, LockState::Held, {0, 0}, false, false}, "write write",
                false},
            // A shared file: flushed before the hand-over, and a failed
            // flush takes back every record of the hold.
            {{"shared", piped, true, true, LockState::Held, {kWhole, kWhole}, false, false},
                "lock write write flush-hold release", false},
            {{"shared, flush failed", piped, true, true, LockState::Held, {kWhole, kWhole}, true, false},
                "lock write write flush-hold take-back-hold release", false},
            {{"shared, nothing stored", piped, true, true, LockState::Held, {0}, false, false},
                "lock write release", false},
            // A write cut short: taken back, the run goes on; where it
            // cannot be, nothing more is appended.
            {{"cut short", piped, false, true, LockState::Held, {40, kWhole}, false, false},
                "lock write take-back write release", false},
            {{"cut short, take-back failed", piped, false, true, LockState::Held, {40, kWhole}, false, true},
                "lock write take-back stop release", true},
            {{"cut short, no locks", piped, false, true, LockState::Absent, {kWhole, 40, kWhole}, false,
                 false},
                "lock write write stop", true},
            {{"cut short, shared", piped, true, true, LockState::Held, {kWhole, 40, kWhole}, false, true},
                "lock write write take-back stop flush-hold release", true},
            {{"nothing taken", piped, false, true, LockState::Held, {0, kWhole}, false, false},
                "lock write write release", false},
        }) {
        bool stopped = false;
        EXPECT_EQ(StepsIn(s, stopped), steps) << s.what;
        EXPECT_EQ(stopped, stops) << s.what;
    }
}

TEST(PlanHold, BatchesOnlyWhatNoReadCanWaitFor)
{
    EXPECT_EQ(PlanHold(Console::Terminal, 5), 0u);
    EXPECT_EQ(PlanHold(Console::Edited, 0), 0u);
    EXPECT_EQ(PlanHold(Console::Piped, 0), 0u);
    EXPECT_EQ(PlanHold(Console::Piped, 3), 3u);
    EXPECT_EQ(PlanHold(Console::Piped, kBatchMost + 1), kBatchMost);
}

TEST(ReportAppended, NeverClaimsMoreThanIsStored)
{
    const Reason io = EIO;
    const Reason full = ENOSPC;
    const std::string no = "ecriture: r.dat: ";
    // The system's words, taken one at a time: Windows gives them in one buffer.
    const std::string ioWords = DescribeReason(io);
    const std::string fullWords = DescribeReason(full);
    const std::string flushed = no + "the record was not flushed and may still be in the file\n";
    const std::string part =
        no + "the part of a record written stays at byte 176; no record will be appended after it\n";
    for (auto [stays, write, flush, cut, said, failed] :
        std::vector<std::tuple<std::size_t, Reason, Reason, Reason, std::vector<std::string>, int>>{
            {kRecordSize, kNoReason, kNoReason, kNoReason, {"88 Bytes écrits\n"}, 0},
            {0, full, kNoReason, kNoReason, {no, fullWords, "\n0 Bytes écrits\n"}, 1},
            // A failed flush, taken back or not: never "88".
            {0, kNoReason, io, kNoReason, {no, ioWords, "\n0 Bytes écrits\n"}, 1},
            {kRecordSize, kNoReason, io, kNoReason, {no, ioWords, "\n", flushed, "0 Bytes écrits\n"}, 1},
            {kRecordSize, kNoReason, io, io,
                {no, ioWords, "\n", no, "cannot take back the record: ", ioWords, "\n", flushed,
                    "0 Bytes écrits\n"},
                1},
            // A part that stays stops the capture, and says where it lies.
            {40, full, kNoReason, io,
                {no, fullWords, "\n", no, "cannot take back the part of the record written: ", ioWords, "\n",
                    part, "40 Bytes écrits\n"},
                1},
        }) {
        std::string whole;
        for (const std::string& piece : said)
            whole += piece;
        std::FILE* err = std::tmpfile();
        Pending record{Record{}, 176, stays, write, flush, cut};
        EXPECT_EQ(ReportAppended(record, "r.dat", err), failed) << whole;
        EXPECT_EQ(Contents(err), whole);
    }
}
