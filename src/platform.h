// What differs between systems: the files both programs open, append to and
// read, the standard streams at start, the console's byte calls, and line
// editing. platform_posix.cpp implements it on POSIX systems, platform_win.cpp
// on Windows; CMake builds one of them, and platform_libedit.cpp for line
// editing where libedit is found, else platform_noedit.cpp.
#ifndef ECRITURE_PLATFORM_H
#define ECRITURE_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

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

// Where the next record starts: the file's length at the open, then the end
// of this run's last write (on Windows, the file's length at each call);
// -1 when the file has no position (a pipe).
long long QueryPosition(FileHandle file);

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

// Readies the line editor when standard input and output are both
// terminals and the build has one; false otherwise, and the console is then
// read as the terminal gives it.
bool StartLineEditing();

// Shows the prompt and reads one line typed at the terminal, with editing
// and, on Up, the earlier answers to the same prompt: at most size - 1 bytes,
// line end included, then a NUL. The rest of a longer line is what the next
// call gives, its prompt then shown on out. Returns the bytes stored: 0 once
// the input has ended (Ctrl-D on an empty line).
std::size_t ReadEditedLine(std::string_view prompt, char* line, std::size_t size, std::FILE* out);

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
