// The messages of both programs, said one way: "PROG: NAME: what" on
// standard error, with names shown as the listing shows texts, and the
// checks of the standard streams that end a run.
#ifndef ECRITURE_MESSAGES_H
#define ECRITURE_MESSAGES_H

#include <cstddef>
#include <cstdio>

// The longest message line; a longer one is cut, its line end kept.
constexpr std::size_t kMessageSize = 1024;

// Length of the valid UTF-8 sequence at s (at most n bytes), or 0 when the
// byte at s does not start one: overlong forms and surrogates are invalid.
std::size_t MeasureUtf8(const unsigned char* s, std::size_t n);

// Shows text[0, n) at to, at most room bytes: valid UTF-8 as is; control
// characters (C0, DEL, C1) and invalid bytes as \xHH; a backslash as \\.
// Stops before an escape that would not fit. Returns the bytes written, and
// in used how many bytes of the text they show.
std::size_t ShowSome(const char* text, std::size_t n, char* to, std::size_t room, std::size_t& used);

// Shows the whole text on out, as ShowSome does: one line, decodable back.
void PutShownText(std::FILE* out, const char* text, std::size_t n);

// "prog: name: what: more" and a line end, in one write, name and more
// shown as the listing shows texts; without "name: " when name is null,
// without ": more" when more is.
void PutMessage(
    std::FILE* err, const char* prog, const char* name, const char* what, const char* more = nullptr);

// PutMessage with the system's reason for the last failure as what.
void PutSystemError(std::FILE* err, const char* prog, const char* name);

// Says which word of the command line getopt_long refused, as result (with
// opterr 0 and an option string starting with ':'), in the program's name.
void PutOptionError(std::FILE* err, const char* prog, int result, char* const* argv);

// Flushes standard output; false, after "prog: write error on standard
// output" on err, when it or an earlier write failed.
bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog);

// Prints first and second on to, for --help, --version or a usage error,
// and returns status; returns failed instead when standard output failed.
int ShowText(std::FILE* to, const char* prog, const char* first, const char* second, int status, int failed);

#endif
