// One run: name and open the record file, capture records, flush and close.
#ifndef ECRITURE_ECRITURE_H
#define ECRITURE_ECRITURE_H

#include "dialogue.h"
#include "input.h"
#include "record.h"
#include "record_file.h"

#include <cstddef>
#include <cstdio>

// Who answers: a person at a terminal, through the line editor when the
// build has one and standard output is the terminal too, or a pipe or file.
Console ChooseConsole();

// Asks for the name of the record file into nom, the whole of its line less
// its line end; an empty name at the end of input. A name longer than the
// system takes is refused, with kNameTooLong. Returns nom, or null when the
// name holds a NUL byte, which no file's name can.
const char* AskFileName(
    char (&nom)[kNameSize], Reason& refused, bool& ended, Console console, Input& in, std::FILE* out);

// Opens the named file and says so on err. A file the run creates has its
// name flushed to disk too; a failed flush is reported and counted in
// failures. kNoFile after the reason and "Echec Ouverture": a name refused
// already, a null or an empty name, a file that cannot be opened, the file, pipe or
// terminal of a standard stream, and the terminal of the run.
FileHandle OpenNamedFile(const char* nom, Reason refused, bool ended, int& failures, std::FILE* err);

// Takes records until an answer that does not begin with Y or y, the end
// of input, or a record's part that could not be taken back, each appended
// as the append policy has it: under the agreed lock, which is never held
// through a read or a write that could wait. Returns how many records were
// not stored whole, or not flushed when that was due, and the lock's
// failures; a record that the end of the input cut short, after some of
// its lines, is said and counted too.
int CaptureRecords(
    FileHandle file, const char* nom, Console console, Input& in, std::FILE* out, std::FILE* err);

// Flushes the file to disk and closes it. False, after saying why on err,
// when either fails.
bool CloseRecordFile(FileHandle file, const char* nom, std::FILE* err);

// False, after saying so on err, when the input could not be read or the
// dialogue or a report could not be written. Says too that some answers
// ended in CR LF, or were read in the ANSI code page, which is no failure.
bool CheckConsole(const Input& in, std::FILE* out, std::FILE* err);

#endif
