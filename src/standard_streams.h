// The standard streams: readied at the start of a run, and what each one
// is, so that no record file is one of them. standard_streams.cpp of each
// system's folder.
#ifndef ECRITURE_STANDARD_STREAMS_H
#define ECRITURE_STANDARD_STREAMS_H

#include "file_handle.h"

#include <cstdio>

// Readies the standard streams before anything is read or written: on
// Linux a closed one is opened on /dev/null, so that no file opened later
// takes its place, a closed standard output or error so that every write to
// it fails, as it must; on Windows standard error is unbuffered, as
// elsewhere, and a console shows and reads UTF-8 for the run. False when
// that cannot be done. inputClosed is why standard input cannot be read,
// when it was closed: kNoReason when it is open.
bool PrepareStandardStreams(Reason& inputClosed);

// Standard input, to be read in binary.
FileHandle StandardInput();

// True when standard input is a terminal: a person is typing.
bool IsConsoleInput();

// True when the stream is a terminal, or on Windows a console.
bool IsTerminal(std::FILE* stream);

// How many columns the terminal or console of the stream shows; 0 when it
// is none, or does not tell.
int TerminalColumns(std::FILE* stream);

// True when standard output and standard error are one file or one pipe,
// as "> log 2>&1" makes them, and not a terminal: writing to either puts
// the bytes at the same place.
bool IsOutputAlsoError();

// What the dialogue reads or writes that the file is: the file, the pipe, the
// socket or the terminal of a standard stream, or the terminal of the run,
// whatever its name (/dev/tty, a console); None for any other, and for a
// device that all may share, such as /dev/null.
enum class Dialogue { None, Input, Output, Error, Terminal };
Dialogue DialogueOf(FileHandle file);

// True when the name names the file on a disk that standard output writes
// to; false when it names no file, or another.
bool NamesStandardOutput(const char* name);

#endif
