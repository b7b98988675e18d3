// One run: name and open the record file, capture records, close.
#ifndef ECRITURE_ECRITURE_H
#define ECRITURE_ECRITURE_H

#include "platform.h"

#include <cstdio>

// Asks for the file name and opens that file. Returns it, or kNoFile after
// "Echec Ouverture" (an empty name, as at the end of input, fails).
FileHandle AskRecordFile(std::FILE* in, std::FILE* out, std::FILE* err);

// Takes records until an answer that does not begin with Y or y, or the end
// of input. Returns how many records did not reach the file whole.
int CaptureRecords(FileHandle file, std::FILE* in, std::FILE* out, std::FILE* err);

// False, after saying so on err, when the input could not be read or the
// dialogue could not be written.
bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err);

#endif
