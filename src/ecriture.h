// One run: name and open the record file, capture records, flush and close.
#ifndef ECRITURE_ECRITURE_H
#define ECRITURE_ECRITURE_H

#include "dialogue.h"
#include "record.h"
#include "record_file.h"

#include <cstddef>
#include <cstdio>

// Who answers: a person at a terminal, through the line editor when the
// build has one and standard output is the terminal too, or a pipe or file.
Console ChooseConsole();

// Asks for the name of the record file into nom, the whole of its line less
// its line end; an empty name at the end of input. A name longer than the
// system takes is refused, with kNameTooLong. Returns nom.
const char* AskFileName(
    char (&nom)[kNameSize], Reason& refused, Console console, std::FILE* in, std::FILE* out);

// Opens the named file and says so on err. A file the run creates has its
// name flushed to disk too; a failed flush is reported and counted in
// failures. kNoFile after the reason and "Echec Ouverture": a name refused
// already, an empty name, a file that cannot be opened, and the file or
// pipe or terminal that standard output or standard error writes to.
FileHandle OpenNamedFile(const char* nom, Reason refused, int& failures, std::FILE* err);

// How long the run waits for another's lock before it says so, in ms.
constexpr int kLockPatience = 1000;

// Appends the record's 88 bytes in one write. Returns how many bytes reached
// the file: 88, or fewer on failure, with why.
std::size_t WriteRecord(FileHandle file, const Record& rec, Reason& why);

// The reads between two decisions on the agreed lock: a record's numero,
// valeur and text, or the answer that follows it. Each takes one line.
constexpr std::size_t kReadsOfRecord = 3;
constexpr std::size_t kReadsOfAnswer = 1;

// What the run knows, from its start, when it decides on the agreed lock.
struct LockView {
    Console console;
    // A write of the dialogue or of a report could wait: standard output or
    // standard error is a pipe, a socket or a terminal.
    bool outputMayWait;
};

// Whether the agreed lock may stay held through the next reads and what is
// written before them: only when piped input holds the line ends of all of
// them, so that no read waits, and no write can wait either. A person's
// input is never in hand.
bool KeepsLock(const LockView& view, std::size_t linesInHand, std::size_t reads);

// Takes records until an answer that does not begin with Y or y, or the end
// of input. Each record is appended under the agreed lock, which is never
// held through a read or a write that could wait; a person's records are
// each flushed to disk before the lock is released, and on a shared file
// system every record is flushed before the lock goes to another station.
// Reports follow the release. Returns how many records were not stored
// whole, or not flushed when asked.
int CaptureRecords(
    FileHandle file, const char* nom, Console console, std::FILE* in, std::FILE* out, std::FILE* err);

// Flushes the file to disk and closes it. False, after saying why on err,
// when either fails.
bool CloseRecordFile(FileHandle file, const char* nom, std::FILE* err);

// False, after saying so on err, when the input could not be read or the
// dialogue or a report could not be written.
bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err);

#endif
