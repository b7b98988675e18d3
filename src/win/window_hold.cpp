// The console window that Explorer gives a program started from it, which
// closes with the program: the run waits for Enter first.
#include "catalogue.h"
#include "windows_console.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

void WaitForEnter()
{
    const char* line = Translate("Press Enter to close the window.");
    std::fflush(stdout);
    std::fflush(stderr);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!WriteConsoleBytes(out, line, std::strlen(line)) || !WriteConsoleBytes(out, "\r\n", 2))
        return;
    wchar_t units[64];
    DWORD got = 0;
    while (ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), units, 64, &got, nullptr) != 0 && got > 0 &&
        std::wmemchr(units, L'\r', got) == nullptr && std::wmemchr(units, L'\n', got) == nullptr) {}
}

} // namespace

bool ShouldHoldWindow(unsigned long consoleProcesses, bool streamsOnConsole)
{
    return consoleProcesses == 1 && streamsOnConsole;
}

void HoldWindowIfAlone()
{
    // Under wine, the console is the terminal that started it, which outlives it.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        return;
    DWORD processes[2];
    bool consoles = ConsoleHandle(STD_INPUT_HANDLE) != nullptr &&
        ConsoleHandle(STD_OUTPUT_HANDLE) != nullptr && ConsoleHandle(STD_ERROR_HANDLE) != nullptr;
    if (ShouldHoldWindow(GetConsoleProcessList(processes, 2), consoles))
        (void)std::atexit(WaitForEnter);
}
