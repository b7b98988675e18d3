// The standard streams: readied at start, and the console's byte calls.
// linux/console.cpp and win/console.cpp implement them, the latter with
// win/window_hold.cpp.
#ifndef ECRITURE_CONSOLE_H
#define ECRITURE_CONSOLE_H

#include "system_reason.h"

#include <cstddef>
#include <cstdio>

// Readies the standard streams before anything is read or written: on
// Linux a closed one is opened on /dev/null, so that no file opened later
// takes its place, a closed standard output or error so that every write to
// it fails, as it must; on Windows standard error is unbuffered, as
// elsewhere, and a console shows and reads UTF-8 for the run. False when
// that cannot be done. inputClosed is why standard input cannot be read,
// when it was closed: kNoReason when it is open.
bool PrepareStandardStreams(Reason& inputClosed);

// True when standard input is a terminal: a person is typing.
bool IsConsoleInput();

// True when the stream is a terminal, or on Windows a console.
bool IsTerminal(std::FILE* stream);

// Readies out for a listing whose lines end with PutLineEnd: no byte of a
// text is translated.
Reason PrepareListingOutput(std::FILE* out);

// Ends a line of a listing as the system's text files do: LF, or CR LF on
// Windows.
void PutLineEnd(std::FILE* out);

// The output's stdio calls. The programs have one thread, so they skip the
// stream's lock where the C library offers that.
#if ECRITURE_UNLOCKED_STDIO
inline void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    fwrite_unlocked(bytes, 1, n, out);
}
inline void PutByte(char c, std::FILE* out)
{
    putc_unlocked(c, out);
}
#else
// On a Windows console, the bytes go to it as they are, shown as UTF-8.
void PutBytes(std::FILE* out, const char* bytes, std::size_t n);
inline void PutByte(char c, std::FILE* out)
{
    std::putc(c, out);
}
#endif

#endif
