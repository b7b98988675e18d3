#include "lock_wait.h"

#include "record_file.h"

#include <algorithm>
#include <chrono>
#include <thread>

Reason LockWithin(FileHandle file, bool shared, int milliseconds)
{
    // Short pauses at first: most holds last a few writes.
    for (int waited = 0, pause = 5;; waited += pause, pause = std::min(2 * pause, 80)) {
        Reason why = shared ? TryShareRecordFile(file) : TryLockRecordFile(file);
        if (!MeansLockBusy(why) || waited >= milliseconds)
            return why;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}
