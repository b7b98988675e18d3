// Why a write to a standard stream failed, kept from the failing write to
// the check at the end of the run: stdio keeps only that it failed.
#include "console.h"

namespace {

const std::FILE* failedStream = nullptr;
Reason failedWhy = kNoReason;

} // namespace

void NoteOutputFailure(std::FILE* out)
{
    failedStream = out;
    failedWhy = TakeReason();
}

bool FlushOutput(std::FILE* out)
{
    if (std::fflush(out) == 0)
        return true;
    NoteOutputFailure(out);
    return false;
}

Reason OutputFailure(const std::FILE* out)
{
    return out == failedStream ? failedWhy : kNoReason;
}
