// The programs' output on Linux: bytes as they are, lines ending in LF.
#include "console.h"

Reason PrepareListingOutput(std::FILE* out)
{
    // The listing gathers its lines itself and writes them a block at a
    // time: a stream's buffer would only copy them once more.
    return std::setvbuf(out, nullptr, _IONBF, 0) == 0 ? kNoReason : TakeReason();
}

void PutLineEnd(std::FILE* out)
{
    PutByte('\n', out);
}

const char* LineEndOf(const std::FILE* /*out*/, std::size_t& n)
{
    n = 1;
    return "\n";
}
