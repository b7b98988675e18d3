// The console dialogue: line reads, number parsing, the record's prompts and echo.
#ifndef ECRITURE_DIALOGUE_H
#define ECRITURE_DIALOGUE_H

#include "console.h"
#include "line_editing.h"
#include "record.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

constexpr std::size_t kLineSize = 80;
// Room for a 64-bit decimal with its sign.
constexpr std::size_t kNumberSize = 20;

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

// Reads one line of at most size - 1 bytes, line end included, and ends it
// with a NUL; the rest of a longer line is left for the next read.
// Returns the number of bytes stored: 0 only when the input has ended.
std::size_t ReadLine(std::FILE* in, char* line, std::size_t size);
template <std::size_t N>
std::size_t ReadLine(std::FILE* in, char (&line)[N])
{
    return ReadLine(in, line, N);
}

// Shows the prompt on out and reads the answer as ReadLine does; at an edited
// console, the line editor shows the prompt and reads the line.
std::size_t AskLine(
    std::string_view prompt, char* line, std::size_t size, Console console, std::FILE* in, std::FILE* out);

// Reads and drops what a read of n bytes into line left of its line, up to
// and with its line end; returns how many bytes before the line end it
// dropped (none when the read took the whole line).
// Its part that reads: the line's rest, up to and with its line end.
std::size_t DropLineRest(Console console, std::FILE* in);
inline std::size_t DropRestOfLine(const char* line, std::size_t n, Console console, std::FILE* in)
{
    // Most reads take their whole line.
    return n == 0 || line[n - 1] == '\n' ? 0 : DropLineRest(console, in);
}

// Drops the last byte of the string; an empty string stays as it is.
void DelNewLine(char* s);

// Asks for a name and reads the whole of its line into name, less its line
// end; a last line without one keeps every byte. False when the input has
// ended; tooLong, when the line did not fit, its rest dropped.
bool ReadName(std::string_view prompt, char* name, std::size_t size, bool& tooLong, Console console,
    std::FILE* in, std::FILE* out);

// Asks for a record's text into tampon, less its line end. A longer text is
// cut to kTextMost bytes or a little fewer, on a character boundary when it
// is valid UTF-8 up to there, the rest of its line dropped, and said on err.
// False when the input has ended.
bool ReadText(std::string_view prompt, char (&tampon)[kLineSize], Console console, std::FILE* in,
    std::FILE* out, std::FILE* err);

// Asks for a line and gives its first byte (0 to 255, the line end for an
// empty line), or EOF once the input has ended. The rest of the line is
// dropped, however long.
int ReadChar(std::string_view prompt, Console console, std::FILE* in, std::FILE* out);

// Blanks, one optional sign, decimal digits; whatever follows is ignored, no
// digit gives 0, and a value beyond 32 bits gives the nearest 32-bit bound.
std::int32_t ParseNumber(const char* s);

// Prompts for, reads and echoes one record into rec, answers cut to their
// field said on err. False when the input ended before the record was
// whole; rec must then not be written.
bool SaiSieRecord(Record& rec, Console console, std::FILE* in, std::FILE* out, std::FILE* err);

// Writes v in decimal at p, kNumberSize bytes at most; returns the byte after.
char* AppendNumber(char* p, long long v);

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
