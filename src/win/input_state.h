// Standard input on Windows, as it is decoded: a console's UTF-16, or a
// pipe's or a file's bytes, UTF-8 or UTF-16 by their byte-order mark, with
// the line ends and the Ctrl-Z of text mode.
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
    // A Ctrl-Z, or the end of the pipe or file, was met.
    bool ended;
};

#endif
