// Line editing of the answers a person types at a terminal.
// line_editing_libedit.cpp implements it with libedit where CMake finds it;
// line_editing_none.cpp, without an editor, elsewhere and on Windows, whose
// console edits lines itself.
#ifndef ECRITURE_LINE_EDITING_H
#define ECRITURE_LINE_EDITING_H

#include <cstddef>
#include <cstdio>
#include <string_view>

// Readies the line editor when standard input and output are both
// terminals and the build has one; false otherwise, and the console is then
// read as the terminal gives it.
bool StartLineEditing();

// Shows the prompt and reads one line typed at the terminal, with editing
// and, on Up, the earlier answers to the same prompt: at most size - 1 bytes,
// line end included, then a NUL. The rest of a longer line is what the next
// call gives, its prompt then shown on out. Returns the bytes stored: 0 once
// the input has ended (Ctrl-D on an empty line), after ending the line.
std::size_t ReadEditedLine(std::string_view prompt, char* line, std::size_t size, std::FILE* out);

// Drops what ReadEditedLine left of the line typed last; returns how many
// bytes before its line end it dropped.
std::size_t DropEditedLine();

#endif
