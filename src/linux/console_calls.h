// The output's byte calls on Linux: the programs have one thread, so they
// skip the stream's lock where the C library offers that.
#ifndef ECRITURE_CONSOLE_CALLS_H
#define ECRITURE_CONSOLE_CALLS_H

#include <cstddef>
#include <cstdio>

#if ECRITURE_UNLOCKED_STDIO
inline void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    if (fwrite_unlocked(bytes, 1, n, out) < n)
        NoteOutputFailure(out);
}
inline void PutByte(char c, std::FILE* out)
{
    if (putc_unlocked(c, out) == EOF)
        NoteOutputFailure(out);
}
#else
inline void PutBytes(std::FILE* out, const char* bytes, std::size_t n)
{
    // The callers write the n bytes that they filled, as cppcheck cannot see
    // through their loops.
    // cppcheck-suppress uninitvar
    if (std::fwrite(bytes, 1, n, out) < n)
        NoteOutputFailure(out);
}
inline void PutByte(char c, std::FILE* out)
{
    if (std::putc(c, out) == EOF)
        NoteOutputFailure(out);
}
#endif

#endif
