// Piped or redirected standard input on Windows: a byte-order mark that an
// editor put at its start is not part of the first answer.
#include "console_win.h"

namespace {

// The first bytes, read to look for a UTF-8 byte-order mark, and handed out
// again when they are not one; like the C library's own buffer for stdin,
// they live as long as the program.
int leading[3];
int leadingCount = -1;
int leadingNext = 0;

} // namespace

int GetPipedByte(std::FILE* in)
{
    if (leadingCount < 0) {
        static const int kMark[] = {0xef, 0xbb, 0xbf};
        leadingCount = 0;
        while (leadingCount < 3 && (leading[leadingCount] = std::getc(in)) == kMark[leadingCount])
            ++leadingCount;
        if (leadingCount == 3)
            leadingCount = 0;
        else if (leading[leadingCount] != EOF)
            ++leadingCount;
    }
    return leadingNext < leadingCount ? leading[leadingNext++] : std::getc(in);
}
