#include "command_line.h"

#include "console.h"
#include "messages.h"

#include <cstdio>
#include <cstring>

namespace {

// Shows first and second on standard output and ends the run with status,
// or with the program's failure status when they cannot be written.
void EndShowing(CommandLine& line, const char* first, const char* second, int status)
{
    std::fputs(first, stdout);
    std::fputs(second, stdout);
    line.status = CheckOutput(stdout, stderr, line.text->name) ? status : line.text->outputFailed;
}

// Says which word of the command line getopt_long refused, as result.
void RefuseOption(CommandLine& line, int result)
{
    // A long option is its whole word; a short one may stand in a cluster.
    const char* word = line.argv[optind - 1];
    char letter[3] = {'-', static_cast<char>(optopt), '\0'};
    if (std::strncmp(word, "--", 2) != 0 && optopt != 0)
        word = letter;
    RefuseUsage(line, result == ':' ? "option requires an argument" : "invalid option", word);
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
    // A leading ':' tells a missing argument from an unknown option.
    char wanted[16] = ":";
    std::strncat(wanted, shortopts, sizeof wanted - 2);
    int opt = getopt_long(line.argc, line.argv, wanted, longopts, nullptr);
    if (opt == kHelpOption)
        EndShowing(line, line.text->usage, line.text->help, 0);
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
    std::fputs(line.text->usage, stderr);
    line.status = kStatusUsage;
}
