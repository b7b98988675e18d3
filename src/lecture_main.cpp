// lecture: lists the records of files written by ecriture, and checks them.
#include "command_line.h"
#include "console.h"
#include "listing.h"
#include "messages.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] = "usage: lecture [--csv | --json] [--offset BYTES] FILE...\n"
                          "       lecture --follow [--csv | --json] [--offset BYTES] FILE\n";
constexpr char kHelp[] = "List the 88-byte records of each FILE (- for standard input), one per line.\n"
                         "\n"
                         "  --csv            comma-separated values, quoted as RFC 4180 requires\n"
                         "  --json           JSON Lines: one object per record\n"
                         "  -f, --follow     list the records appended to FILE later too, as they come,\n"
                         "                   until Ctrl-C, or until FILE is truncated or replaced\n"
                         "  --offset BYTES   start reading each file at that byte\n"
                         "  --help           show this help and exit\n"
                         "  --version        show the version and exit\n"
                         "\n"
                         "Exit status: 0 when every file was read whole and clean, 1 when a file ends\n"
                         "in a partial record or holds a text without its NUL, or a followed file was\n"
                         "truncated or replaced, 2 on any error.\n";
constexpr ProgramText kText = {"lecture", kUsage, kHelp, "lecture " ECRITURE_VERSION "\n", kListFailed};

// Lists every file in turn; returns the worst status, and stops once the
// output cannot be written.
int ListFiles(char** names, int count, ListOptions options)
{
    int status = kListClean;
    options.named = count > 1;
    if (Reason why = PrepareListingOutput(stdout); why != kNoReason) {
        PutSystemError(stderr, kText.name, "standard output", why);
        return kListFailed;
    }
    bool headed = false;
    for (int i = 0; i < count && std::ferror(stdout) == 0; ++i) {
        int listed = ListFile(names[i], options, headed, stdout, stderr);
        status = listed > status ? listed : status;
    }
    return CheckOutput(stdout, stderr, kText.name) ? status : kListFailed;
}

// Sets the format once; false when another was asked for already.
bool ChooseFormat(ListFormat& format, bool& chosen, ListFormat asked)
{
    bool same = !chosen || format == asked;
    format = asked;
    chosen = true;
    return same;
}

// Reads one option into the options; false after a usage error.
bool TakeOption(CommandLine& line, int opt, ListOptions& options, bool& chosen)
{
    if (opt == 'o' && !ParseOffset(optarg, options.offset))
        RefuseUsage(line, "invalid offset", optarg);
    else if ((opt == 'c' && !ChooseFormat(options.format, chosen, ListFormat::Csv)) ||
        (opt == 'j' && !ChooseFormat(options.format, chosen, ListFormat::Json)))
        RefuseUsage(line, "--csv and --json exclude each other");
    options.follow = options.follow || opt == 'f';
    return line.status == kGoOn;
}

// Reads the command line into the options: kGoOn, or the status to end with
// at once, after --help or --version or a usage error.
int ReadOptions(CommandLine& line, ListOptions& options)
{
    static const option kOptions[] = {
        {"csv", no_argument, nullptr, 'c'},
        {"json", no_argument, nullptr, 'j'},
        {"follow", no_argument, nullptr, 'f'},
        {"offset", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, kHelpOption},
        {"version", no_argument, nullptr, kVersionOption},
        {nullptr, 0, nullptr, 0},
    };
    bool chosen = false;
    for (int opt; (opt = NextOption(line, "f", kOptions)) != 0;)
        if (!TakeOption(line, opt, options, chosen))
            return line.status;
    int count = line.argc - optind;
    if (line.status != kGoOn)
        return line.status;
    if (count == 0)
        RefuseUsage(line, "no FILE to list");
    else if (options.follow && count > 1)
        RefuseUsage(line, "--follow follows one FILE");
    else if (options.follow && std::strcmp(line.argv[optind], "-") == 0)
        RefuseUsage(line, "--follow cannot follow standard input");
    return line.status;
}

} // namespace

int main(int argc, char** argv)
{
    // The listing is the program's work: a closed standard output fails it.
    if (!PrepareStandardStreams())
        return kListFailed;
    // Large blocks for a listing of a million lines; static, as stdout
    // still uses it when main returns.
    static char outbuf[1 << 16];
    std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
    CommandLine line = OpenCommandLine(argc, argv, kText);
    ListOptions options{ListFormat::Tsv, 0, false, false};
    if (ReadOptions(line, options) != kGoOn)
        return line.status;
    return ListFiles(line.argv + optind, line.argc - optind, options);
}
