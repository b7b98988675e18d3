// Following a file as it grows: the system's change notification where
// there is one, and a look about once a second where there is none (a
// network file system sends no events). linux/follow.cpp implements it
// with inotify, win/follow.cpp with the change notifications of Windows.
#ifndef ECRITURE_FOLLOW_H
#define ECRITURE_FOLLOW_H

#include "file_handle.h"

#include <cstdint>
#include <cstdio>

using WatchHandle = std::intptr_t;
constexpr WatchHandle kNoWatch = -1;

// The longest wait for a change, in milliseconds: the poll of file systems
// that send no events.
constexpr int kFollowWait = 1000;

// Starts watching the named file for changes; kNoWatch when the system
// cannot, and then the waits are a second each.
WatchHandle StartWatch(const char* name);

// Waits until the file may have changed, and milliseconds at most; false,
// at once, when the reader of out has gone (a closed pipe), where the
// system tells that without a write.
bool AwaitChange(WatchHandle watch, std::FILE* out, int milliseconds);

void StopWatch(WatchHandle watch);

// What became of the open file's name: still its own, or the file lives
// on under another name, or was removed, or another file took its name.
// Same when that cannot be told now, with why.
enum class Naming { Same, Renamed, Removed, Replaced };
Naming CheckName(FileHandle file, const char* name, Reason& why);

#endif
