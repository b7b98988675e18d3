#include "append.h"
#include "memory_record_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A situation, and what the file answers in it.
struct Situation {
    // cppcheck-suppress unusedStructMember ; shown when a case fails
    const char* what;
    Console console;
    bool shared;
    bool regular;
    Reason lock;
    std::vector<std::size_t> writes;
    std::vector<int> failingFlushes;
    std::vector<int> failingCuts;
    // Bytes that another run left in the file since the open.
    std::size_t foreign = 0;
};

// What the file holds at the end: so many bytes of each record, in turn.
using Stored = std::vector<std::pair<int, std::size_t>>;

Record Numbered(int k)
{
    Record rec{};
    rec.numero = k;
    rec.valeur = -k;
    std::snprintf(rec.tampon, sizeof rec.tampon, "record %d", k);
    return rec;
}

std::string BytesOf(const Stored& stored)
{
    std::string bytes;
    for (auto [k, n] : stored) {
        char record[kRecordSize];
        EncodeRecord(Numbered(k), record);
        bytes.append(record, n);
    }
    return bytes;
}

// Appends records 1, 2, ... in the situation, one per scripted write, with
// the executor itself on the in-memory file: the calls it made, where it
// put each record, and whether it stopped.
std::string AppendIn(const Situation& s, std::vector<long long>& at, bool& stopped)
{
    Memory() = MemoryFile{};
    Memory().device = !s.regular;
    Memory().position = 7;
    Memory().lock = s.lock;
    Memory().writes = s.writes;
    Memory().failingFlushes = s.failingFlushes;
    Memory().failingCuts = s.failingCuts;
    Memory().bytes.assign(s.foreign, 'x');
    std::vector<Pending> records(s.writes.size());
    for (std::size_t k = 0; k < records.size(); ++k)
        records[k] =
            Pending{Numbered(static_cast<int>(k) + 1), -1, 0, kNoReason, kNoReason, kNoReason, false, -1};
    AgreedLock lock{3, "r.dat", s.regular, s.shared, s.regular ? 0 : -1, LockState::Free, false};
    Hold h = StartHold(lock, s.console, records.data(), records.size());
    std::FILE* err = std::tmpfile();
    AppendRecords(lock, h, err);
    std::fclose(err);
    std::transform(
        records.begin(), records.end(), std::back_inserter(at), [](const Pending& r) { return r.at; });
    stopped = h.stopped;
    return Memory().calls;
}

} // namespace

TEST(AppendRecords, EverySituation)
{
    constexpr std::size_t kWhole = kRecordSize;
    const Console person = Console::Terminal;
    const Console piped = Console::Piped;
    const Reason held = kNoReason;
    for (auto [s, calls, stored, at, stops] :
        std::vector<std::tuple<Situation, std::string, Stored, std::vector<long long>, bool>>{
            // A person: each record on the disk before its report.
            {{"typed", person, false, true, held, {kWhole}, {}, {}}, "lock length write flush unlock",
                {{1, kWhole}}, {0}, false},
            // Its flush failed: taken back under the lock, so that the file
            // holds only what is reported; without the lock it stays.
            {{"typed, flush failed", person, false, true, held, {kWhole}, {1}, {}},
                "lock length write flush cut unlock", {}, {0}, false},
            {{"typed, flush failed, no locks", person, false, true, kNoLocks, {kWhole}, {1}, {}},
                "lock length write flush", {{1, kWhole}}, {0}, false},
            // Piped: a batch under one hold, the file's length asked once.
            {{"piped", piped, false, true, held, {kWhole, kWhole}, {}, {}}, "lock length write write unlock",
                {{1, kWhole}, {2, kWhole}}, {0, 88}, false},
            {{"piped, busy", piped, false, true, kLockBusy, {kWhole}, {}, {}},
                "lock wait length write unlock", {{1, kWhole}}, {0}, false},
            // A lock that fails is not held: nothing can be taken back.
            {{"piped, lock failed", piped, false, true, kScriptedFailure, {kWhole, 40}, {}, {}},
                "lock length write write", {{1, kWhole}, {2, 40}}, {0, 88}, true},
            // A device has no length that records add to: asked each time.
            {{"piped to a device", piped, false, false, held, {kWhole, kWhole}, {}, {}},
                "length write length write", {}, {7, 7}, false},
            // A shared file: flushed before the hand-over, and a failed
            // flush takes back every record of the hold.
            {{"shared", piped, true, true, held, {kWhole, kWhole}, {}, {}},
                "lock length write write flush unlock", {{1, kWhole}, {2, kWhole}}, {0, 88}, false},
            {{"shared, flush failed", piped, true, true, held, {kWhole, kWhole}, {1}, {}},
                "lock length write write flush cut unlock", {}, {0, 88}, false},
            {{"shared, nothing stored", piped, true, true, held, {0}, {}, {}}, "lock length write unlock", {},
                {0}, false},
            // A write cut short: taken back, the run goes on where it was
            // cut to; where it cannot be, nothing more is appended.
            {{"cut short", piped, false, true, held, {40, kWhole}, {}, {}},
                "lock length write cut write unlock", {{2, kWhole}}, {0, 0}, false},
            {{"cut short, then the flush failed", piped, true, true, held, {40, kWhole, kWhole}, {1}, {}},
                "lock length write cut write write flush cut unlock", {}, {0, 0, 88}, false},
            {{"cut short, take-back failed", piped, false, true, held, {40, kWhole}, {}, {1}},
                "lock length write cut unlock", {{1, 40}}, {0, -1}, true},
            {{"cut short, no locks", piped, false, true, kNoLocks, {kWhole, 40, kWhole}, {}, {}},
                "lock length write write", {{1, kWhole}, {2, 40}}, {0, 88, -1}, true},
            {{"cut short, shared", piped, true, true, held, {kWhole, 40, kWhole}, {}, {1}},
                "lock length write write cut flush unlock", {{1, kWhole}, {2, 40}}, {0, 88, -1}, true},
            {{"nothing taken", piped, false, true, held, {0, kWhole}, {}, {}},
                "lock length write write unlock", {{2, kWhole}}, {0, 0}, false},
            // Another run's part since the open: nothing is written after
            // it, whatever the lock, and the capture stops.
            {{"another run's part", piped, false, true, held, {kWhole, kWhole}, {}, {}, 40},
                "lock length unlock", {}, {40, -1}, true},
            {{"another run's part, typed, no locks", person, false, true, kNoLocks, {kWhole}, {}, {}, 128},
                "lock length", {}, {128}, true},
        }) {
        std::vector<long long> where;
        bool stopped = false;
        EXPECT_EQ(AppendIn(s, where, stopped), calls) << s.what;
        EXPECT_EQ(Memory().bytes, std::string(s.foreign, 'x') + BytesOf(stored)) << s.what;
        EXPECT_EQ(where, at) << s.what;
        EXPECT_EQ(stopped, stops) << s.what;
    }
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
            // Another run's part at the end: this record is not written.
            {0, kNoReason, kNoReason, kNoReason,
                {no,
                    "another run left part of a record at byte 128; nothing more is appended, and lecture "
                    "--offset 176 reads the records that others append after it\n0 Bytes écrits\n"},
                1},
        }) {
        std::string whole;
        for (const std::string& piece : said)
            whole += piece;
        std::FILE* err = std::tmpfile();
        Pending record{Record{}, 176, stays, write, flush, cut,
            stays == 0 && write == kNoReason && flush == kNoReason, 128};
        EXPECT_EQ(ReportAppended(record, "r.dat", err), failed) << whole;
        EXPECT_EQ(Contents(err), whole);
    }
}
