// A scratch file for what a library writes by name before the run copies
// it on: made new and empty, and gone at the end. linux/scratch_file.cpp
// makes one that no directory names, so that nothing is left if the run is
// killed; win/scratch_file.cpp, one in the user's temporary folder.
#ifndef ECRITURE_SCRATCH_FILE_H
#define ECRITURE_SCRATCH_FILE_H

#include "file_handle.h"

#include <cstddef>

// Room for the name, in UTF-8.
constexpr std::size_t kScratchNameSize = 1024;

struct ScratchFile {
    // Open for as long as the file is used, where that keeps it alive.
    FileHandle file;
    // The name to read it back by, in UTF-8, and the name the library
    // writes it by, in the encoding the library opens names in.
    char name[kScratchNameSize];
    char library[kScratchNameSize];
    // The folder it is made in, in UTF-8, and the environment variable
    // that named it (TMPDIR, TMP, TEMP), or null: a folder that cannot hold
    // it is said with them, for the user to mend.
    char folder[kScratchNameSize];
    const char* variable;
};

// Makes the scratch file; its reason when it cannot be made.
Reason MakeScratchFile(ScratchFile& scratch);

// Removes the scratch file, once it has been read.
void DropScratchFile(ScratchFile& scratch);

#endif
