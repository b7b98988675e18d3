// Waiting for the agreed lock as every program of the record files does:
// a moment quietly, as most holds last a few writes, and then said.
#ifndef ECRITURE_LOCK_WAIT_H
#define ECRITURE_LOCK_WAIT_H

#include "file_handle.h"

// How long a run waits for another's hold of the lock before it says so, in ms.
constexpr int kLockPatience = 1000;

// Takes the agreed lock, or a reader's share of it, if another gives it up
// within about milliseconds; a reason that MeansLockBusy when it did not.
Reason LockWithin(FileHandle file, bool shared, int milliseconds);

#endif
