// A file read by lecture, or standard input read by either program: opened
// for reading, in binary, read in blocks or at an offset. listed_file.cpp
// of each system's folder.
#ifndef ECRITURE_LISTED_FILE_H
#define ECRITURE_LISTED_FILE_H

#include "file_handle.h"

#include <cstddef>

// Opens a file named on the command line for reading; kNoFile on failure,
// with why.
FileHandle OpenListedFile(const char* name, Reason& why);

// True when a file could not be opened because no file has its name.
bool MeansNoSuchFile(Reason why);

// Reads up to n bytes: how many were read, 0 at the end, -1 on an error,
// with why.
long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why);

// Reads up to n bytes at offset, leaving where the file is read from as it
// was: how many were read, -1 on an error, with why.
long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why);

// Makes the next read start at offset.
Reason SeekTo(FileHandle file, long long offset);

#endif
