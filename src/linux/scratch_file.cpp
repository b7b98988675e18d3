// A scratch file on Linux: made in the temporary directory and unlinked at
// once, and named through /proc by its open descriptor.
#include "scratch_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

Reason MakeScratchFile(ScratchFile& scratch)
{
    const char* dir = std::getenv("TMPDIR");
    scratch.variable = dir != nullptr && *dir != '\0' ? "TMPDIR" : nullptr;
    std::snprintf(scratch.folder, sizeof scratch.folder, "%s", scratch.variable != nullptr ? dir : "/tmp");
    int n = std::snprintf(scratch.name, sizeof scratch.name, "%s/lecture-XXXXXX", scratch.folder);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof scratch.name)
        return ENAMETOOLONG;
    int fd = mkostemp(scratch.name, O_CLOEXEC);
    if (fd < 0)
        return TakeReason();
    Reason why = unlink(scratch.name) == 0 ? kNoReason : TakeReason();
    scratch.file = fd;
    std::snprintf(scratch.name, sizeof scratch.name, "/proc/self/fd/%d", fd);
    std::snprintf(scratch.library, sizeof scratch.library, "%s", scratch.name);
    if (why != kNoReason)
        DropScratchFile(scratch);
    return why;
}

void DropScratchFile(ScratchFile& scratch)
{
    // Read only by now, and unlinked: its close has nothing to lose.
    if (scratch.file != kNoFile)
        (void)close(static_cast<int>(scratch.file));
    scratch.file = kNoFile;
}
