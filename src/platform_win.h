// What the Windows files share between them, beyond platform.h.
#ifndef ECRITURE_PLATFORM_WIN_H
#define ECRITURE_PLATFORM_WIN_H

#include <cstddef>

// The longest path Windows takes, in UTF-16 units, with its NUL.
constexpr std::size_t kWidePathSize = 32768;

// The UTF-8 name as a full path in UTF-16, prefixed with \\?\ when it is
// too long for the calls that stop at 260 characters. False, with the
// system's last error set, when the name is not valid UTF-8 or too long.
bool ToWidePath(const char* name, wchar_t (&wide)[kWidePathSize]);

// Whether a run must keep its console window open at its end: true when it
// is the only process on a console it got of its own, as when Explorer
// starts it, so that the window does not close before it can be read.
bool ShouldHoldWindow(unsigned long consoleProcesses, bool streamsOnConsole);

#endif
