#include "memory_record_file.h"

#include "lock_wait.h"
#include "record_file.h"

#include <algorithm>

namespace {

Reason Logged(const char* call, Reason answer = kNoReason)
{
    MemoryFile& m = Memory();
    m.calls += std::string(m.calls.empty() ? "" : " ") + call;
    return answer;
}

bool Listed(const std::vector<int>& turns, int turn)
{
    return std::find(turns.begin(), turns.end(), turn) != turns.end();
}

} // namespace

MemoryFile& Memory()
{
    // cppcheck-suppress unassignedVariable ; each case sets it through here
    static MemoryFile file;
    return file;
}

std::size_t WriteWhole(FileHandle /*file*/, const char* bytes, std::size_t n, Reason& why)
{
    MemoryFile& m = Memory();
    std::size_t turn = m.written++;
    std::size_t taken = turn < m.writes.size() ? std::min(n, m.writes[turn]) : n;
    Logged("write");
    if (!m.device)
        m.bytes.append(bytes, taken);
    why = taken < n ? kScriptedFailure : kNoReason;
    return taken;
}

Reason FlushRecordFile(FileHandle /*file*/)
{
    MemoryFile& m = Memory();
    return Logged("flush", Listed(m.failingFlushes, ++m.flushes) ? kScriptedFailure : kNoReason);
}

Reason CutRecordFile(FileHandle /*file*/, long long length)
{
    MemoryFile& m = Memory();
    bool fails = Listed(m.failingCuts, ++m.cuts);
    if (!fails)
        m.bytes.resize(static_cast<std::size_t>(length));
    return Logged("cut", fails ? kScriptedFailure : kNoReason);
}

long long FileLength(FileHandle /*file*/, Reason& why)
{
    const MemoryFile& m = Memory();
    why = Logged("length");
    return m.device ? m.position : static_cast<long long>(m.bytes.size());
}

bool IsSharedFile(FileHandle /*file*/)
{
    return false;
}

Reason LockWithin(FileHandle /*file*/, bool /*shared*/, int /*milliseconds*/)
{
    return Logged("lock", Memory().lock);
}

Reason LockRecordFile(FileHandle /*file*/)
{
    return Logged("wait");
}

bool MeansLockBusy(Reason why)
{
    return why == kLockBusy;
}

bool MeansNoLocks(Reason why)
{
    return why == kNoLocks;
}

Reason UnlockRecordFile(FileHandle /*file*/)
{
    return Logged("unlock");
}
