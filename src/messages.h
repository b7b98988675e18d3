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

// Room for a count of 19 digits grouped by threes, each separator of up
// to 4 bytes, and its sign and NUL.
constexpr std::size_t kCountSize = 19 + 6 * 4 + 2;

// The count in decimal, its digits grouped by threes as the user's
// language writes a count: 1 234 567 in French (a narrow no-break space),
// 1234567 in English, as in the C locale. Numbers that are typed or
// listed, offsets, indexes, are never grouped.
const char* GroupCount(long long n, char (&out)[kCountSize]);

// Flushes standard output; false, after "prog: write error on standard
// output" on err, when it or an earlier write failed.
bool CheckOutput(std::FILE* out, std::FILE* err, const char* prog);

#endif
