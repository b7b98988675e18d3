// The messages of both programs, said one way: "PROG: NAME: what" on
// standard error, names shown as messages show texts, and the check of
// standard output that ends a run.
#ifndef ECRITURE_MESSAGES_H
#define ECRITURE_MESSAGES_H

#include "system_reason.h"

#include <cstddef>
#include <cstdio>

// The longest message line; a longer one is cut, its line end kept.
constexpr std::size_t kMessageSize = 1024;

// "prog: name: what: more" and a line end, in one write, what in the
// user's language (a text of the program's own, or already translated),
// name and more shown as a message shows a text; without "name: " when
// name is null, without ": more" when more is.
void PutMessage(
    std::FILE* err, const char* prog, const char* name, const char* what, const char* more = nullptr);

// PutMessage with the system's words for the reason as what.
void PutSystemError(std::FILE* err, const char* prog, const char* name, Reason why);

// Flushes standard output; false, after "prog: write error on standard
// output" on err, when it or an earlier write failed.
bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog);

#endif
