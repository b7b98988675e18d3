// What the C library holds of an input stream already read from the system.
// stdin_buffer_glibc.cpp knows it with the GNU C library, whose FILE is
// public in its headers; stdin_buffer_none.cpp, elsewhere, says nothing is
// known. CMake picks one.
#ifndef ECRITURE_STDIN_BUFFER_H
#define ECRITURE_STDIN_BUFFER_H

#include <cstddef>
#include <cstdio>

// How many bytes the stream holds that the next reads take without asking
// the system, so without waiting; 0 where that cannot be known.
std::size_t BufferedInput(std::FILE* in);

// How many line ends the stream holds, up to most: the reads of that many
// lines take what is in hand and cannot wait.
std::size_t BufferedLines(std::FILE* in, std::size_t most);

// Takes one line of at most most bytes, its line end included, straight
// from the stream's buffer when that holds the whole of it, as that many
// reads of a byte would; returns its length, or 0 when the buffer does not
// hold it, and nothing was taken.
std::size_t TakeBufferedLine(std::FILE* in, char* line, std::size_t most);

#endif
