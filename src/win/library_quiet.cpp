// A library's own lines kept off standard error on Windows: the C
// library's descriptor 2, which the library writes to, is sent to NUL for
// a while; the program's own messages go to the console's handle.
#include "library_quiet.h"

#include <fcntl.h>
#include <io.h>

int QuietStandardError()
{
    int kept = _dup(2);
    int null = kept >= 0 ? _open("NUL", _O_WRONLY) : -1;
    bool sent = null >= 0 && _dup2(null, 2) == 0;
    if (null >= 0)
        (void)_close(null);
    if (!sent && kept >= 0) {
        (void)_close(kept);
        kept = -1;
    }
    return kept;
}

void RestoreStandardError(int kept)
{
    if (kept < 0)
        return;
    (void)_dup2(kept, 2);
    (void)_close(kept);
}
