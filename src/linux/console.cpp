// The programs' output on Linux: bytes as they are, lines ending in LF.
#include "console.h"

Reason PrepareListingOutput(std::FILE* /*out*/)
{
    return kNoReason;
}

void PutLineEnd(std::FILE* out)
{
    PutByte('\n', out);
}
