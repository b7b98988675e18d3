// The record file as the system holds it: opened for appending by ecriture
// and for reading by lecture, and the agreed lock over the appends.
// linux/record_file.cpp and win/record_file.cpp implement it. A call that
// fails hands back its reason.
#ifndef ECRITURE_RECORD_FILE_H
#define ECRITURE_RECORD_FILE_H

#include "system_reason.h"

#include <cstddef>
#include <cstdint>

// A descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Room for the longest name the system takes, with its NUL: a path of
// PATH_MAX bytes on Linux, of 32,767 UTF-16 units in UTF-8 on Windows.
constexpr std::size_t kNameSize = ECRITURE_NAME_SIZE;

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

// Flushes the file's written data to stable storage. Nothing to do for what
// has nothing to flush by its nature: a pipe, a terminal, a device.
Reason FlushRecordFile(FileHandle file);

// The file's length as the system knows it now: where the next record
// starts while the agreed lock is held. -1 when the file has none (a pipe,
// a terminal), or when it cannot be had, with why.
long long FileLength(FileHandle file, Reason& why);

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

// True for a file on a network or user-space file system (NFS, SMB, FUSE
// such as GlusterFS, ...), whose server has what a client wrote only once
// it is flushed: another station that takes the lock next must find it.
bool IsSharedFile(FileHandle file);

// Readies the process for its writes: a write past a file size limit, or
// to a pipe whose reader has gone, fails with its reason instead of killing
// the run, mid-record or before the records read are flushed.
void PrepareRecordWrites();

// True when the lock failed because the file system has none (NFS without
// its lock daemon, say), not for a fault.
bool MeansNoLocks(Reason why);

// Releases the agreed lock.
Reason UnlockRecordFile(FileHandle file);

// Cuts the file back to length, taking back a record written in part.
Reason CutRecordFile(FileHandle file, long long length);

// True for a file on a disk, where other programs may append too; false for
// a pipe, a terminal or a device, or when that cannot be told, with why.
bool IsRegularFile(FileHandle file, Reason& why);

// What the dialogue reads or writes that the file is: the file, the pipe, the
// socket or the terminal of a standard stream, or the terminal of the run,
// whatever its name (/dev/tty, a console); None for any other, and for a
// device that all may share, such as /dev/null.
enum class Dialogue { None, Input, Output, Error, Terminal };
Dialogue DialogueOf(FileHandle file);

// Writes the n bytes in one system call, retrying only the rest of a short
// write. Returns how many reached the file: n, or fewer on failure, with why.
std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n, Reason& why);

// Opens a file named on the command line for reading, in binary; kNoFile on
// failure, with why. StandardInput() reads standard input, in binary too.
FileHandle OpenListedFile(const char* name, Reason& why);
FileHandle StandardInput();

// Reads up to n bytes: how many were read, 0 at the end, -1 on an error,
// with why.
long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why);

// Reads up to n bytes at offset, leaving where the file is read from as it
// was: how many were read, -1 on an error, with why.
long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why);

// Makes the next read start at offset.
Reason SeekTo(FileHandle file, long long offset);

// True when a file could not be opened because no file has its name.
bool MeansNoSuchFile(Reason why);

Reason CloseFile(FileHandle file);

#endif
