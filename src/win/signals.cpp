// The signals of writes on Windows: none ends a run in the middle of one,
// but a console's Ctrl-C, Ctrl-Break or close, whose handler waits for the
// hold in hand.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "signals.h"

#include <windows.h>

#include <cstdlib>

namespace {

// A hold's writes are going on: set by the run's thread, read by the
// handler's, which the system starts for each console event.
volatile LONG holding = 0;

BOOL WINAPI WaitForHold(DWORD /*event*/)
{
    while (InterlockedCompareExchange(&holding, 0, 0) != 0)
        Sleep(10);
    // The next handler, and then the system's, end the run.
    return FALSE;
}

} // namespace

void IgnoreWriteSignals()
{
    (void)SetConsoleCtrlHandler(WaitForHold, TRUE);
}

void HoldInterrupts()
{
    (void)InterlockedExchange(&holding, 1);
}

void ReleaseInterrupts()
{
    (void)InterlockedExchange(&holding, 0);
}

void EndAsClosedPipe()
{
    std::_Exit(141);
}
