// The output's byte calls on Windows: what goes to a console is written to
// it directly, shown as UTF-8; console.cpp.
#ifndef ECRITURE_CONSOLE_CALLS_H
#define ECRITURE_CONSOLE_CALLS_H

#include <cstddef>
#include <cstdio>

void PutBytes(std::FILE* out, const char* bytes, std::size_t n);

// A byte of ASCII, which the C library passes to a console as it is.
inline void PutByte(char c, std::FILE* out)
{
    if (std::putc(c, out) == EOF)
        NoteOutputFailure(out);
}

#endif
