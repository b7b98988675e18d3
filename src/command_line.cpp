#include "command_line.h"

#include "catalogue.h"
#include "console.h"
#include "messages.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Writes the text through the console writer, as every text of the
// programs goes: a Windows console shows its accents at any code page.
void PutText(std::FILE* out, const char* text)
{
    PutBytes(out, text, std::strlen(text));
}

// Shows first and second on standard output and ends the run with status,
// or with the program's failure status when they cannot be written.
void EndShowing(CommandLine& line, const char* first, const char* second, int status)
{
    PutText(stdout, Translate(first));
    PutText(stdout, Translate(second));
    line.status = CheckOutput(stdout, stderr, line.text->name) ? status : line.text->outputFailed;
}

// Says which word of the command line getopt_long refused, as result: the
// whole word, as a person typed it. A short option's letter may stand in a
// cluster that getopt_long is still in, at optind, or has just left.
void RefuseOption(CommandLine& line, int result)
{
    const char* word = line.argv[optind - 1];
    const char* current = optind < line.argc ? line.argv[optind] : nullptr;
    if (optopt != 0 && current != nullptr && current[0] == '-' && current[1] != '-' &&
        std::strchr(current + 1, optopt) != nullptr)
        word = current;
    // MinGW's getopt_long answers ':' for an argument given to an option
    // that takes none, as --help=yes: that is no missing argument.
    bool missing = result == ':' && std::strchr(word, '=') == nullptr;
    RefuseUsage(
        line, missing ? Untranslated("option requires an argument") : Untranslated("invalid option"), word);
}

} // namespace

CommandLine OpenCommandLine(int argc, char** argv, const ProgramText& text)
{
    CommandLine line{argc, GetArguments(argc, argv), &text, kGoOn};
    line.argc = argc;
    if (line.argv == nullptr) {
        PutMessage(stderr, text.name, nullptr, "the command line cannot be read as Unicode");
        line.status = kStatusUsage;
    }
    for (int i = 1; line.status == kGoOn && i < argc; ++i) {
        SystemSwitch kind = ClassifySwitch(line.argv[i]);
        if (kind == SystemSwitch::Help)
            EndShowing(line, text.usage, text.help, 0);
        else if (kind == SystemSwitch::Unknown)
            RefuseUsage(line, "invalid option", line.argv[i]);
    }
    // Its errors are said as every other message is, on every system.
    opterr = 0;
    return line;
}

int NextOption(CommandLine& line, const char* shortopts, const option* longopts)
{
    if (line.status != kGoOn)
        return 0;
    // A leading ':' tells a missing argument from an unknown option; -h is
    // every program's help.
    char wanted[16] = ":h";
    std::strncat(wanted, shortopts, sizeof wanted - 3);
    int opt = getopt_long(line.argc, line.argv, wanted, longopts, nullptr);
    if (opt == kHelpOption || opt == 'h')
        EndShowing(line, line.text->usage, line.text->help, 0);
    else if (opt == kVersionOption && line.argc > 2)
        RefuseUsage(line, "--version takes no other argument");
    else if (opt == kVersionOption)
        EndShowing(line, line.text->version, "", 0);
    else if (opt == '?' || opt == ':')
        RefuseOption(line, opt);
    return line.status != kGoOn || opt == -1 ? 0 : opt;
}

void RefuseUsage(CommandLine& line, const char* what, const char* more)
{
    if (what != nullptr)
        PutMessage(stderr, line.text->name, nullptr, what, more);
    PutText(stderr, Translate(line.text->usage));
    char help[256];
    std::snprintf(help, sizeof help, Translate("Try '%s --help' for more information.\n"), line.text->name);
    PutText(stderr, help);
    line.status = kStatusUsage;
}

bool ParseWhole(const char* s, long long& value, bool saturate)
{
    if (*s == '\0')
        return false;
    long long v = 0;
    for (; *s != '\0'; ++s) {
        if (*s < '0' || *s > '9' || (v > (LLONG_MAX - (*s - '0')) / 10 && !saturate))
            return false;
        v = v > (LLONG_MAX - (*s - '0')) / 10 ? LLONG_MAX : v * 10 + (*s - '0');
    }
    value = v;
    return true;
}
