// The command line on Windows: the Unicode command line, its wildcards, and
// the help switches.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "command_line.h"
#include "wide_path.h"

#include "catalogue.h"
#include "messages.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <shellapi.h>

namespace {

// Room for the operands once their wildcards are expanded: the most names,
// and their bytes in UTF-8.
constexpr std::size_t kExpandedBytes = 1 << 20;
constexpr std::size_t kExpandedNames = 1 << 14;

// Where an operand's last part, its name, starts.
const char* NamePart(const char* arg)
{
    const char* name = arg;
    for (const char* p = arg; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

bool HasWildcard(const char* arg)
{
    return std::strpbrk(NamePart(arg), "*?") != nullptr;
}

// Whether the long name matches the pattern's name part, as the shell on
// Linux matches: * any run, ? one character, letters in either case, and
// *.* every name, as cmd takes it. FindFirstFileExW matches the 8.3 short
// name too, which would take notes.data (NOTES~1.DAT) for *.dat.
bool MatchesLongName(const wchar_t* name, const wchar_t* pattern)
{
    if (std::wcscmp(pattern, L"*.*") == 0)
        return true;
    const wchar_t* star = nullptr;
    const wchar_t* resume = name;
    while (*name != L'\0') {
        if (*pattern == L'*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == L'?' || std::towupper(*pattern) == std::towupper(*name)) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*')
        ++pattern;
    return *pattern == L'\0';
}

// The wide names of the files, not folders, that the pattern matches, into
// names, one after another; how many, or -1 when they do not fit.
int FindMatches(const char* pattern, wchar_t* names, std::size_t room, const wchar_t** found, int most)
{
    wchar_t wide[kWidePathSize];
    wchar_t part[kWidePathSize];
    if (MultiByteToWideChar(CP_UTF8, 0, NamePart(pattern), -1, part, kWidePathSize) == 0)
        return 0;
    WIN32_FIND_DATAW data;
    HANDLE search = ToWidePath(pattern, wide)
        ? FindFirstFileExW(wide, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0)
        : INVALID_HANDLE_VALUE;
    int count = 0;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &data) != 0) {
        std::size_t length = std::wcslen(data.cFileName) + 1;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !MatchesLongName(data.cFileName, part))
            continue;
        if (count == most || length > room) {
            count = -1;
            break;
        }
        found[count++] = std::wmemcpy(names, data.cFileName, length);
        names += length;
        room -= length;
    }
    if (search != INVALID_HANDLE_VALUE)
        (void)FindClose(search);
    return count;
}

// Appends the pattern's folder and the name, in UTF-8, at p; the byte
// after, or null when it does not fit before end.
char* AppendMatch(char* p, const char* end, const char* pattern, const wchar_t* name)
{
    auto folder = static_cast<std::size_t>(NamePart(pattern) - pattern);
    if (folder >= static_cast<std::size_t>(end - p))
        return nullptr;
    std::memcpy(p, pattern, folder);
    int n = WideCharToMultiByte(
        CP_UTF8, 0, name, -1, p + folder, static_cast<int>(end - p - folder), nullptr, nullptr);
    return n > 0 ? p + folder + n : nullptr;
}

// The operands once their wildcards are expanded: the arguments, and the
// UTF-8 names of the files matched, one after another.
struct Expanded {
    char bytes[kExpandedBytes];
    char* next;
    char* args[kExpandedNames + 1];
    int count;
    wchar_t names[kExpandedBytes / 2];
    const wchar_t* found[kExpandedNames];
};

// Adds the argument as it is: 1, or -1 when the command line is full.
int AddArgument(Expanded& expanded, char* arg)
{
    if (expanded.count == static_cast<int>(kExpandedNames))
        return -1;
    expanded.args[expanded.count++] = arg;
    return 1;
}

// Adds the files that the pattern matches, in name order, as Windows lists
// a folder (ordinal, whatever the case): how many, 0 when none, -1 when
// they do not all fit, and then none is added.
int AddMatches(Expanded& e, const char* pattern)
{
    int room = static_cast<int>(kExpandedNames) - e.count;
    int matches = FindMatches(pattern, e.names, sizeof e.names / sizeof e.names[0], e.found, room);
    std::sort(e.found, e.found + std::max(matches, 0), [](const wchar_t* a, const wchar_t* b) {
        return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_LESS_THAN;
    });
    char* p = e.next;
    for (int k = 0; k < matches; ++k) {
        e.args[e.count + k] = p;
        if ((p = AppendMatch(p, e.bytes + sizeof e.bytes, pattern, e.found[k])) == nullptr)
            return -1;
    }
    e.count += std::max(matches, 0);
    e.next = p;
    return matches;
}

} // namespace

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

int ExpandWildcards(CommandLine& line, int first)
{
    static Expanded expanded;
    expanded.count = 0;
    expanded.next = expanded.bytes;
    int failed = 0;
    for (int i = 0; i < line.argc; ++i) {
        char* arg = line.argv[i];
        int added = i < first || !HasWildcard(arg) ? AddArgument(expanded, arg) : AddMatches(expanded, arg);
        if (added <= 0) {
            PutMessage(stderr, line.text->name, arg,
                added == 0 ? Untranslated("no file matches") : Untranslated("too many files match"));
            ++failed;
        }
    }
    expanded.args[expanded.count] = nullptr;
    line.argv = expanded.args;
    line.argc = expanded.count;
    return failed;
}

void UnquoteTypedName(char* name)
{
    // A paste often brings a blank before or after the quotes: they go too.
    // A name without quotes keeps its blanks.
    const char* open = name + std::strspn(name, " \t");
    const char* close = std::strrchr(name, '"');
    if (*open != '"' || close == nullptr || close == open || close[1 + std::strspn(close + 1, " \t")] != '\0')
        return;
    auto n = static_cast<std::size_t>(close - open - 1);
    std::memmove(name, open + 1, n);
    name[n] = '\0';
}

SystemSwitch ClassifySwitch(const char* arg)
{
    // Windows programs answer -h and -? as they answer /?.
    if (std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "-h") == 0)
        return SystemSwitch::Help;
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
