// A library's own lines kept off standard error on Linux: its descriptor
// is sent to /dev/null for a while.
#include "library_quiet.h"

#include <fcntl.h>
#include <unistd.h>

int QuietStandardError()
{
    int kept = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    int null = kept >= 0 ? open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    bool sent = null >= 0 && dup2(null, STDERR_FILENO) == STDERR_FILENO;
    // Opened for this only; nothing written to it.
    if (null >= 0)
        (void)close(null);
    if (!sent && kept >= 0) {
        (void)close(kept);
        kept = -1;
    }
    return kept;
}

void RestoreStandardError(int kept)
{
    if (kept < 0)
        return;
    // Standard error stays where it was, should the restore fail: the
    // program's messages then go unseen, as they would have anyway.
    (void)dup2(kept, STDERR_FILENO);
    (void)close(kept);
}
