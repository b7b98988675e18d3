// An open file as the system holds it, whatever it is: a descriptor on
// POSIX, a HANDLE on Windows; file_handle.cpp of each system's folder.
#ifndef ECRITURE_FILE_HANDLE_H
#define ECRITURE_FILE_HANDLE_H

#include "system_reason.h"

#include <cstddef>
#include <cstdint>

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Room for the longest name the system takes, with its NUL: a path of
// PATH_MAX bytes on Linux, of 32,767 UTF-16 units in UTF-8 on Windows.
constexpr std::size_t kNameSize = ECRITURE_NAME_SIZE;

// True for a file on a disk, whose length grows with what is appended;
// false for a pipe, a terminal or a device, or when that cannot be told,
// with why.
bool IsRegularFile(FileHandle file, Reason& why);

Reason CloseFile(FileHandle file);

#endif
