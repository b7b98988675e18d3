// The signals of writes on Linux.
#include "signals.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

void IgnoreWriteSignals()
{
    // A file size limit would kill the run with SIGXFSZ in the middle of a
    // record; ignored, the write fails with EFBIG, and the part that fit is
    // taken back. A reader that goes away would kill it with SIGPIPE before
    // the records are flushed; ignored, the write fails with EPIPE.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    (void)std::signal(SIGPIPE, SIG_IGN);
}

namespace {

// The signals that a person or the system sends to end a run.
sigset_t Interrupts()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&set, signal);
    return set;
}

// The mask found when the hold began, which its end puts back: a signal
// that whoever started the run had blocked stays blocked.
sigset_t foundMask;
bool maskHeld = false;

} // namespace

void HoldInterrupts()
{
    sigset_t set = Interrupts();
    // A mask that cannot be set leaves the run as it was: ended at once.
    maskHeld = sigprocmask(SIG_BLOCK, &set, &foundMask) == 0;
}

void ReleaseInterrupts()
{
    if (maskHeld)
        (void)sigprocmask(SIG_SETMASK, &foundMask, nullptr);
    maskHeld = false;
}

void EndAsClosedPipe()
{
    (void)std::signal(SIGPIPE, SIG_DFL);
    (void)std::raise(SIGPIPE);
    // Blocked by whoever started the run: the status a shell would show.
    std::_Exit(141);
}
