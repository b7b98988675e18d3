// The signals of writes on Linux.
#include "signals.h"

#include <csignal>
#include <cstdlib>

void IgnoreWriteSignals()
{
    // A file size limit would kill the run with SIGXFSZ in the middle of a
    // record; ignored, the write fails with EFBIG, and the part that fit is
    // taken back. A reader that goes away would kill it with SIGPIPE before
    // the records are flushed; ignored, the write fails with EPIPE.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    (void)std::signal(SIGPIPE, SIG_IGN);
}

void EndAsClosedPipe()
{
    (void)std::signal(SIGPIPE, SIG_DFL);
    (void)std::raise(SIGPIPE);
    // Blocked by whoever started the run: the status a shell would show.
    std::_Exit(141);
}
