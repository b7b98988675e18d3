// The console dialogue: the answers' line reads, number parsing, the
// record's prompts and echo.
#ifndef ECRITURE_DIALOGUE_H
#define ECRITURE_DIALOGUE_H

#include "console.h"
#include "input.h"
#include "line_editing.h"
#include "record.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

// As every message of the capture program names it.
constexpr char kCaptureProgram[] = "ecriture";

constexpr std::size_t kLineSize = 80;

static_assert(sizeof(Record{}.tampon) == kLineSize, "the text is read straight into tampon");

// Who answers the dialogue, which decides how it is read and how often the
// record file is flushed.
enum class Console {
    // A file or a program: read as it comes, the record file flushed at the end.
    Piped,
    // A person at a terminal: each record flushed before it is reported.
    Terminal,
    // The same, each answer typed through the line editor.
    Edited,
};

// The most a record's text keeps: a line buffer less its NUL and the byte
// that the classic version's DelNewLine dropped.
constexpr std::size_t kTextMost = kLineSize - 2;

// The lines a record takes: its three answers, and whether to go on.
constexpr std::size_t kLinesOfRecord = 4;

// Shows the prompt on out and reads one line as ReadLine does, the prompt
// on the screen before a read that may wait; at an edited console, the line
// editor shows the prompt and reads the line. With out null, the prompt is
// left to be shown later, with the echo.
std::size_t AskLine(
    std::string_view prompt, char* line, std::size_t size, Console console, Input& in, std::FILE* out);

// Reads and drops what a read of n bytes into line left of its line, up to
// and with its line end; returns how many bytes before the line end it
// dropped (none when the read took the whole line).
std::size_t DropLineRest(const char* line, std::size_t n, Console console, Input& in);

// Drops the last byte of the string; an empty string stays as it is.
void DelNewLine(char* s);

// Asks for a name and reads the whole of its line into name, less its line
// end, a CR before it too (then in.nameCr); a last line without one keeps
// every byte. False when the input has
// ended; tooLong, when the line did not fit, its rest dropped; holdsNul,
// when it holds a NUL byte, which no name can.
bool ReadName(std::string_view prompt, char* name, std::size_t size, bool& tooLong, bool& holdsNul,
    Console console, Input& in, std::FILE* out);

// What the reads of one record cut, to be said on standard error in their
// order: number lines past 79 bytes, and a text past 78 or holding a NUL.
struct Notes {
    bool numeroCut;
    bool valeurCut;
    bool textCut;
    std::size_t textKept;
    bool textNul;
};

// The notes of one of the record's three lines, 0 to 2: each is said after
// the prompt of its line.
Notes NotesOfLine(const Notes& notes, int line);

// Says the notes, one message each.
void SayNotes(const Notes& notes, std::FILE* err);

// Reads a record's three answers into rec, each prompted on out unless it
// is null. A number is read from its line's first 79 bytes; a text keeps
// the bytes before a NUL, and a longer text is cut to kTextMost bytes or a
// little fewer, on a character boundary when it is valid UTF-8 up to there;
// the rest of a line is dropped. What was cut goes to notes, and is said on
// err as it is read unless err is null.
// Returns how many of the three were read before the input ended: 3 when
// the record is whole.
int ReadRecord(Record& rec, Notes& notes, Console console, Input& in, std::FILE* out, std::FILE* err);

// What the dialogue shows of a record, in its order: the position in the
// file, the three prompts, the echo (its numbers, its text and the
// separator) and the prompt to go on.
enum class Shown { Position, Numero, Valeur, Tampon, Echo, Another, End };

// The text of a prompt, a part from Numero to Another but Echo.
std::string_view PromptOf(Shown part);

// Writes in one write the parts of the record's dialogue from first up to,
// not including, last; the position shown is at. A record read ahead is
// shown so whole, as a record read as the dialogue goes is piece by piece.
void PutShown(std::FILE* out, Shown first, Shown last, const Record& rec, long long at);

// Asks for a line and gives its first byte (0 to 255, the line end for an
// empty line), or EOF once the input has ended. The rest of the line is
// dropped, however long. With out null, the prompt is not shown.
int ReadChar(std::string_view prompt, Console console, Input& in, std::FILE* out);

// Blanks, one optional sign, decimal digits; whatever follows is ignored, no
// digit gives 0, and a value beyond 32 bits gives the nearest 32-bit bound.
std::int32_t ParseNumber(const char* s);

// Prompts for, reads and echoes one record into rec, answers cut to their
// field said on err. Returns how many of its three lines were read before
// the input ended: 3 when it is whole, and then echoed; rec must not be
// written otherwise.
int SaiSieRecord(Record& rec, Console console, Input& in, std::FILE* out, std::FILE* err);

// Prints a string literal, without its NUL.
template <std::size_t N>
void PutLiteral(std::FILE* out, const char (&text)[N])
{
    PutBytes(out, text, N - 1);
}

// Prints prefix, v and suffix, all literals, in one write, so that an
// unbuffered stream takes the line in one system call.
template <std::size_t P, std::size_t S>
void PutNumberLine(std::FILE* out, const char (&prefix)[P], long long v, const char (&suffix)[S])
{
    char line[P - 1 + kNumberSize + S - 1];
    std::memcpy(line, prefix, P - 1);
    char* end = AppendNumber(line + P - 1, v);
    std::memcpy(end, suffix, S - 1);
    PutBytes(out, line, static_cast<std::size_t>(end + S - 1 - line));
}

#endif
