// The record file as the system holds it: opened for appending, written,
// flushed, cut back, its length, and the agreed lock over the appends.
// record_file.cpp of each system's folder. A call that fails hands back its
// reason.
#ifndef ECRITURE_RECORD_FILE_H
#define ECRITURE_RECORD_FILE_H

#include "file_handle.h"

#include <cstddef>

// The reason for a name longer than that.
extern const Reason kNameTooLong;

// Opens or creates the named file for appending only, and stands at its end:
// never truncated, each write landing whole at the end even with other
// writers. The name is bytes on POSIX (a new file gets mode 0666 less the
// umask), UTF-8 on Windows. created tells whether this call made the file.
// kNoFile on failure, with why.
FileHandle OpenRecordFile(const char* nom, bool& created, Reason& why);

// Room for the name of a directory.
constexpr std::size_t kDirectorySize = 4096;

// Makes the name of a file just created survive a power cut, by flushing the
// directory that holds it, whose name goes to dir for a report. Nothing to
// do where the system offers no such flush.
Reason FlushNewName(const char* nom, char (&dir)[kDirectorySize]);

// Writes the n bytes in one system call, retrying only the rest of a short
// write. Returns how many reached the file: n, or fewer on failure, with why.
std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n, Reason& why);

// Flushes the file's written data to stable storage. Nothing to do for what
// has nothing to flush by its nature: a pipe, a terminal, a device.
Reason FlushRecordFile(FileHandle file);

// Cuts the file back to length, taking back what was written after it.
Reason CutRecordFile(FileHandle file, long long length);

// The file's length as the system knows it now: where the next record
// starts while the agreed lock is held. -1 when the file has none (a pipe,
// a terminal), or when it cannot be had, with why.
long long FileLength(FileHandle file, Reason& why);

// True for a file on a network or user-space file system (NFS, SMB, FUSE
// such as GlusterFS, ...), whose server has what a client wrote only once
// it is flushed: another station that takes the lock next must find it.
bool IsSharedFile(FileHandle file);

// Every program that appends to a record file holds this lock around its
// append: one byte, exclusive, far past any real end of the file, so that
// readers are never blocked, even where locks are mandatory.
constexpr long long kAppendLockOffset = 1LL << 40;

// Takes the agreed lock, waiting as long as another holds it.
Reason LockRecordFile(FileHandle file);

// Takes the agreed lock if no other holds it, without waiting; a reason
// that MeansLockBusy when another does.
Reason TryLockRecordFile(FileHandle file);
bool MeansLockBusy(Reason why);

// True when the lock failed because the file system has none (NFS without
// its lock daemon, say), not for a fault.
bool MeansNoLocks(Reason why);

// A reader's share of the agreed lock, on a file open for reading: readers
// hold it together, and never while a writer holds the lock, so that the
// length a reader sees under it holds no record that a writer may still
// take back. Taken waiting, or not.
Reason ShareRecordFile(FileHandle file);
Reason TryShareRecordFile(FileHandle file);

// Releases the agreed lock, or a reader's share of it.
Reason UnlockRecordFile(FileHandle file);

#endif
