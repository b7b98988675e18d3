// The programs' output on the standard streams: its byte calls and its line
// ends. console.cpp of each system's folder, with the calls its
// console_calls.h makes inline.
#ifndef ECRITURE_CONSOLE_H
#define ECRITURE_CONSOLE_H

#include "system_reason.h"

#include <cstddef>
#include <cstdio>

// Readies out for a listing whose lines end with PutLineEnd, and that
// writes its lines in blocks: no byte of a text is translated.
Reason PrepareListingOutput(std::FILE* out);

// Ends a line of a listing as the system's text files do: LF, or CR LF on
// Windows.
void PutLineEnd(std::FILE* out);

// The bytes that PutLineEnd writes to out, for lines gathered to go out
// whole: n of them, 1 or 2.
const char* LineEndOf(const std::FILE* out, std::size_t& n);

// Notes that a write to out failed just now, with the reason it left, for
// OutputFailure: the byte calls' failing path.
void NoteOutputFailure(std::FILE* out);

// Flushes out as fflush does, a failure noted for OutputFailure; false on
// failure.
bool FlushOutput(std::FILE* out);

// The reason the last failed write to out gave; kNoReason when none failed.
Reason OutputFailure(const std::FILE* out);

// PutBytes(out, bytes, n) writes the bytes to the stream as they are, and
// PutByte(c, out) one byte; on a Windows console they are shown as UTF-8.
#include "console_calls.h"

#endif
