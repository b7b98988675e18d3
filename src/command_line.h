// The command line both programs open the same way: the arguments in
// UTF-8, the system's help switch, --help, --version and the usage errors.
// command_line.cpp of each system's folder holds what differs.
#ifndef ECRITURE_COMMAND_LINE_H
#define ECRITURE_COMMAND_LINE_H

#include <getopt.h>

// What a program says of itself on its command line.
struct ProgramText {
    // As every message names it: "ecriture".
    const char* name;
    // The usage lines, each with its line end.
    const char* usage;
    // What --help shows after the usage.
    const char* help;
    // What --version shows, with its line end.
    const char* version;
    // The status when --help or --version cannot be written.
    int outputFailed;
};

// The options every program takes, at the end of its table of options.
constexpr int kHelpOption = 0x100;
constexpr int kVersionOption = 0x101;

constexpr int kGoOn = -1;
constexpr int kStatusUsage = 2;

struct CommandLine {
    int argc;
    char** argv;
    const ProgramText* text;
    // kGoOn while the run goes on, else the status to end with at once.
    int status;
};

// Takes the arguments, in UTF-8 on every system, and answers the system's
// help switch.
CommandLine OpenCommandLine(int argc, char** argv, const ProgramText& text);

// The next option that the program handles itself, as getopt_long gives it
// (optarg with it); 0 once the options have ended, or when the run ends at
// once: after --help, --version or a usage error, said here, with status set.
int NextOption(CommandLine& line, const char* shortopts, const option* longopts);

// Ends the run with a usage error: "PROG: what: more" (without ": more"
// when more is null, without the line when what is), then the usage and
// where the help is, on standard error.
void RefuseUsage(CommandLine& line, const char* what, const char* more = nullptr);

// The system's side: the arguments in UTF-8 (argv itself on POSIX; on
// Windows, the Unicode command line converted, in storage of its own), or
// null when one cannot be converted.
char** GetArguments(int& argc, char** argv);

// Expands the wildcards of the operands from first on, where the system
// leaves that to each program: on Windows, * and ? in an operand's last
// part stand for the files whose names match, in name order, and a pattern
// that matches nothing is said on standard error and left out; elsewhere
// the shell has expanded them. A name without wildcards stands as it is.
// Returns how many patterns gave no file.
int ExpandWildcards(CommandLine& line, int first);

// Takes a name typed at the dialogue as the system's users write it: on
// Windows, a name pasted from Explorer's "Copy as path" comes in double
// quotes, which no file name can hold, often with a blank around them.
void UnquoteTypedName(char* name);

// What an argument is by the system's own conventions for switches: on
// Windows, "/?", "/h" and "/help" in any case, "-?" and "-h" ask for help,
// and any other "/" and letters is a switch that no program knows;
// elsewhere, where such an argument may name a file, none.
enum class SystemSwitch { None, Help, Unknown };
SystemSwitch ClassifySwitch(const char* arg);

// Reads a whole number of the command line, a byte offset or a count:
// decimal digits only, from 0 up. False otherwise, and for a number past
// LLONG_MAX unless saturate, as a count past every file's records is:
// then it is LLONG_MAX.
bool ParseWhole(const char* s, long long& value, bool saturate = false);

#endif
