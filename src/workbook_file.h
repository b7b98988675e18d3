// The file a workbook is written to before it goes out: made in the
// temporary folder, and copied to the output once it is known whole.
#ifndef ECRITURE_WORKBOOK_FILE_H
#define ECRITURE_WORKBOOK_FILE_H

#include "scratch_file.h"
#include "system_reason.h"

#include <cstdio>

// Makes the scratch file; false, after saying why on err, when it cannot be
// made: in a folder that a variable names, with the folder and the variable.
bool MakeWorkbookFile(ScratchFile& scratch, std::FILE* err);

// Copies the finished workbook to out, once it is known whole; the reason
// of the library's failure, when it left one, says why it is not.
bool CopyWorkbook(const ScratchFile& scratch, Reason closing, std::FILE* out, std::FILE* err);

#endif
