// The command line on Windows: the Unicode command line, and "/?".
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "command_line.h"
#include "wide_path.h"

#include <windows.h>

#include <cstring>
#include <shellapi.h>

char** GetArguments(int& argc, char** /*argv*/)
{
    // The C library's argv holds the ANSI code page, which cannot carry
    // every name: the Unicode command line is read again, into UTF-8.
    static char bytes[4 * kWidePathSize];
    static char* args[kWidePathSize / 2 + 1];
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return nullptr;
    bool ok = count < static_cast<int>(sizeof args / sizeof args[0]);
    char* p = bytes;
    for (int i = 0; ok && i < count; ++i) {
        int room = static_cast<int>(bytes + sizeof bytes - p);
        int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, p, room, nullptr, nullptr);
        ok = n > 0;
        args[i] = p;
        p += n;
    }
    (void)LocalFree(wide);
    if (!ok)
        return nullptr;
    args[count] = nullptr;
    argc = count;
    return args;
}

void UnquoteTypedName(char* name)
{
    std::size_t n = std::strlen(name);
    if (n >= 2 && name[0] == '"' && name[n - 1] == '"') {
        std::memmove(name, name + 1, n - 2);
        name[n - 2] = '\0';
    }
}

SystemSwitch ClassifySwitch(const char* arg)
{
    if (arg[0] != '/' || arg[1] == '\0')
        return SystemSwitch::None;
    if (std::strcmp(arg, "/?") == 0 || _stricmp(arg, "/h") == 0 || _stricmp(arg, "/help") == 0)
        return SystemSwitch::Help;
    // A path such as /data/r.dat, or /x.dat, is not a switch.
    for (const char* p = arg + 1; *p != '\0'; ++p)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
            return SystemSwitch::None;
    return SystemSwitch::Unknown;
}
