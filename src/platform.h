// What differs between systems: the files both programs open, append to and
// read, the standard streams at start, and the console's byte calls.
// platform_posix.cpp implements it on POSIX systems, platform_win.cpp on
// Windows; CMake builds one of them.
#ifndef ECRITURE_PLATFORM_H
#define ECRITURE_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Readies the standard streams before anything is read or written: on
// POSIX a closed one is opened on /dev/null, so that no file opened later
// takes its place, and with failClosedOutput a closed standard output is
// opened so that every write to it fails; on Windows standard error is
// unbuffered, as elsewhere, and a console shows and reads UTF-8 for the run.
// False when that cannot be done.
bool PrepareStandardStreams(bool failClosedOutput);

// The command line in UTF-8, as every name is taken: argv itself on POSIX;
// on Windows, the Unicode command line converted, in storage of its own.
// Null when an argument cannot be converted.
char** GetArguments(int& argc, char** argv);

// True for the argument by which the system's users ask for help: "/?" on
// Windows, none elsewhere, where it may name a file.
bool IsHelpRequest(const char* arg);

// Readies out for a listing whose lines end with PutLineEnd: no byte of a
// text is translated. False when that cannot be done.
bool PrepareListingOutput(std::FILE* out);

// Ends a line of a listing as the system's text files do: LF, or CR LF on
// Windows.
void PutLineEnd(std::FILE* out);

// Opens or creates the named file for appending only, and stands at its end:
// never truncated, each write landing whole at the end even with other
// writers. The name is bytes on POSIX (a new file gets mode 0666 less the
// umask), UTF-8 on Windows. created tells whether this call made the file.
// kNoFile on failure.
FileHandle OpenRecordFile(const char* nom, bool& created);

// Room for the name of a directory.
constexpr std::size_t kDirectorySize = 4096;

// Makes the name of a file just created survive a power cut, by flushing the
// directory that holds it, whose name goes to dir for a report; true where
// the system offers no such flush.
bool FlushNewName(const char* nom, char (&dir)[kDirectorySize]);

// Flushes the file's written data to stable storage. True also for what has
// nothing to flush by its nature: a pipe, a terminal, a device.
bool FlushRecordFile(FileHandle file);

// The file's length, where the next record starts when the agreed lock is
// held; -1 when the file has no position (a pipe, a terminal).
long long QueryPosition(FileHandle file);

// Every program that appends to a record file holds this lock around its
// append: one byte, exclusive, far past any real end of the file, so that
// readers are never blocked, even where locks are mandatory.
constexpr long long kAppendLockOffset = 1LL << 40;

enum class LockResult {
    Locked,
    // The file system has no locks (NFS without its lock daemon, say).
    Unsupported,
    Failed,
};

// Takes the agreed lock, waiting as long as another holds it.
LockResult LockRecordFile(FileHandle file);

// Releases the agreed lock; false when the system reports an error.
bool UnlockRecordFile(FileHandle file);

// Cuts the file back to length, taking back a record written in part.
bool CutRecordFile(FileHandle file, long long length);

// True for a file on a disk, where other programs may append too; false for
// a pipe, a terminal or a device.
bool IsRegularFile(FileHandle file);

// 1 when the file is the one standard output writes to, 2 when standard
// error does, 0 otherwise (a device both may share, such as /dev/null).
int StandardStreamOf(FileHandle file);

// How many bytes the stream holds that the next reads take without asking
// the system, so without waiting; 0 where that cannot be known.
#if defined(__GLIBC__)
inline std::size_t BufferedInput(std::FILE* in)
{
    // What gnulib's freadahead reads too: the C library has no call for it.
    return static_cast<std::size_t>(in->_IO_read_end - in->_IO_read_ptr);
}
#else
std::size_t BufferedInput(std::FILE* in);
#endif

// Writes the n bytes in one system call, retrying only the rest of a short
// write. Returns how many reached the file: n, or fewer on failure.
std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n);

// Opens a file named on the command line for reading, in binary; kNoFile on
// failure. StandardInput() reads standard input, in binary too.
FileHandle OpenListedFile(const char* name);
FileHandle StandardInput();

// Reads up to n bytes: how many were read, 0 at the end, -1 on an error.
long long ReadSome(FileHandle file, char* buffer, std::size_t n);

// False when the close reports an error.
bool CloseFile(FileHandle file);

// True when standard input is a terminal: a person is typing.
bool IsConsoleInput();

// The system's reason for the last failure of the calls above.
const char* DescribeLastError();

// The console's stdio calls. The programs have one thread, so they skip the
// stream's lock where the C library offers that.
#if ECRITURE_UNLOCKED_STDIO
// What follows an EOF from the stream: the next byte when the read was only
// interrupted, else EOF.
int GetByteAfterEof(std::FILE* in);
inline int GetByte(std::FILE* in)
{
    int c = getc_unlocked(in);
    return c != EOF ? c : GetByteAfterEof(in);
}
inline void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    fwrite_unlocked(bytes, 1, n, out);
}
inline void PutByte(char c, std::FILE* out)
{
    putc_unlocked(c, out);
}
#else
// The next byte, or EOF; typed on a Windows console, it arrives in UTF-8.
int GetByte(std::FILE* in);
// On a Windows console, the bytes go to it as they are, shown as UTF-8.
void PutBytes(std::FILE* out, const char* bytes, std::size_t n);
inline void PutByte(char c, std::FILE* out)
{
    std::putc(c, out);
}
#endif

#endif
