// Standard input as the programs read it: from the system, in large blocks,
// into a buffer of the program's own, so that whole lines are taken at once
// and the lines in hand are known, without any C library's private fields.
// What the system's side does to the bytes it reads lives with InputState,
// in the system's folder: on Windows, a console's UTF-16 and a pipe's
// encodings become UTF-8, and its line ends LF. Every InputState tells, in
// recoded, that some lines were not UTF-8 and were read in the system's
// ANSI code page.
#ifndef ECRITURE_INPUT_H
#define ECRITURE_INPUT_H

#include "file_handle.h"
#include "input_state.h"

#include <cstddef>

// One read of the system's, at most.
constexpr std::size_t kInputSize = 1 << 16;

struct Input {
    // Where the bytes come from; kNoFile when those in hand are all there is.
    FileHandle file;
    InputState state;
    // The bytes read and not taken yet are [next, end).
    char bytes[kInputSize];
    std::size_t next;
    std::size_t end;
    // The system said that the input ended, or failed; why it failed.
    bool ended;
    Reason failed;
    // Some bytes were read: a byte-order mark can only come first.
    bool started;
    // A text kept the CR of its line's CR LF end, as a file saved on
    // Windows has them; the typed name's line ended so, and its CR was
    // dropped.
    bool textCr;
    bool nameCr;
};

// Starts reading the file: standard input is StandardInput(). A UTF-8
// byte-order mark at its very start, as a file saved on Windows has, is
// left out.
void OpenInput(Input& in, FileHandle file);

// Starts an input that holds these bytes, at most kInputSize, and no more.
void OpenInputOn(Input& in, const char* bytes, std::size_t n);

// Reads one line of at most size - 1 bytes, its line end included, and ends
// it with a NUL; the rest of a longer line is left for the next read.
// Returns the number of bytes stored: 0 only when the input has ended.
std::size_t ReadLine(Input& in, char* line, std::size_t size);

// Reads and drops the rest of a line, up to and with its line end; returns
// how many bytes before the line end it dropped.
std::size_t DropLine(Input& in);

// How many line ends the bytes in hand hold, up to most: so many reads of a
// line take what is in hand, and cannot wait. Once the input has ended,
// nothing can wait: most.
std::size_t LinesInHand(const Input& in, std::size_t most);

// The system's side: reads up to n bytes of the file as the programs take
// them (n is at least 16); 0 at its end, -1 on a failure, with why.
long long ReadInput(FileHandle file, InputState& state, char* to, std::size_t n, Reason& why);

#endif
