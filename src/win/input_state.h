// Standard input on Windows, as it is decoded: a console's UTF-16, or a
// pipe's or a file's bytes, UTF-8 or UTF-16 by their byte-order mark, a
// line that is not UTF-8 in the ANSI code page, with the line ends and the
// Ctrl-Z of text mode.
#ifndef ECRITURE_INPUT_STATE_H
#define ECRITURE_INPUT_STATE_H

#include <cstddef>

enum class Encoding { Unknown, Bytes, Utf16Le, Utf16Be };

// Bytes read from a pipe or a file and not decoded yet.
constexpr std::size_t kRawInputSize = 1 << 14;

struct InputState {
    // A console: a high surrogate or a CR whose other half the next read brings.
    wchar_t heldUnit;
    // A pipe or a file: its encoding, once its first bytes are read.
    Encoding encoding;
    unsigned char raw[kRawInputSize];
    std::size_t rawNext;
    std::size_t rawEnd;
    // A UTF-16 unit read after a high surrogate, which was not its low one.
    bool lowHeld;
    long heldLow;
    // A CR decoded last, whose LF may come with the next bytes.
    bool heldCr;
    // A line of bytes begins: UTF-8, or else read in the ANSI code page,
    // whose units wait in ansi.
    bool lineStart;
    wchar_t ansi[kRawInputSize];
    std::size_t ansiNext;
    std::size_t ansiEnd;
    // The pipe or the file has no more bytes; a Ctrl-Z, or their end, was met.
    bool rawEnded;
    bool ended;
    // Some lines were not UTF-8, and were read in the ANSI code page.
    bool recoded;
    // A Ctrl-Z ended the input: the bytes after it, which text mode never
    // reads, when some are not line ends; else 0.
    bool ctrlZ;
    long long afterCtrlZ;
};

#endif
