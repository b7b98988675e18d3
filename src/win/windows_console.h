// What the Windows files of the console share between them.
#ifndef ECRITURE_WINDOWS_CONSOLE_H
#define ECRITURE_WINDOWS_CONSOLE_H

#include "handles.h"

#include <cstddef>
#include <cstdio>

// The standard handle when it is a console, else null.
HANDLE ConsoleHandle(DWORD which);

// Makes a console on standard output or error show UTF-8 for the run, its
// code page put back at the end, even on Ctrl-C; the byte calls then write
// to it directly.
void ShowUtf8OnConsole();

// Writes the bytes to the console as they are; false when it refuses them.
bool WriteConsoleBytes(HANDLE console, const char* bytes, std::size_t n);

// Whether a run must keep its console window open at its end: true when it
// is the only process on a console it got of its own, as when Explorer
// starts it, so that the window does not close before it can be read.
bool ShouldHoldWindow(unsigned long consoleProcesses, bool streamsOnConsole);

// Makes the run wait for Enter before it ends, when ShouldHoldWindow says so.
void HoldWindowIfAlone();

#endif
