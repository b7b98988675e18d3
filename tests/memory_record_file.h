// The record file of the append executor's tests: the calls that
// append.cpp makes of record_file.h and LockWithin, linked in place of the
// system's, answered as the case scripts them, on bytes in memory, each
// call logged.
#ifndef ECRITURE_MEMORY_RECORD_FILE_H
#define ECRITURE_MEMORY_RECORD_FILE_H

#include "system_reason.h"

#include <cstddef>
#include <string>
#include <vector>

// The answers of a lock that another holds, and of a file system without
// locks.
constexpr Reason kLockBusy = 0x10001;
constexpr Reason kNoLocks = 0x10002;
// What a write that stops short, or a flush or a cut that fails, says.
constexpr Reason kScriptedFailure = 0x10003;

struct MemoryFile {
    // The file's bytes; a device holds none and tells its position.
    std::string bytes;
    bool device;
    long long position;
    // What the lock's first try answers.
    Reason lock;
    // How many bytes each write takes, in turn; a write past the list takes
    // all. Less than asked: the write fails.
    std::vector<std::size_t> writes;
    // Which flushes and cuts fail, counted from 1.
    std::vector<int> failingFlushes;
    std::vector<int> failingCuts;
    // The calls made, each a word: lock wait length write flush cut unlock.
    std::string calls;
    std::size_t written;
    int flushes;
    int cuts;
};

// The file that the calls of a test work on, made new for each case.
MemoryFile& Memory();

#endif
