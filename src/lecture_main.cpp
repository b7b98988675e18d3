// lecture: lists the records of files written by ecriture, and checks them.
#include "catalogue.h"
#include "command_line.h"
#include "console.h"
#include "listing.h"
#include "messages.h"
#include "progress.h"
#include "standard_streams.h"
#include "workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    Untranslated("usage: lecture [--csv | --json | --xlsx | --check] [--hex] [--offset BYTES]\n"
                 "               [-n [+]N] FILE...\n"
                 "       lecture --follow [--csv | --json] [--hex] [--offset BYTES] [-n [+]N]\n"
                 "               FILE\n");
constexpr const char* kHelp =
    Untranslated("List the 88-byte records of each FILE (- for standard input), one per line.\n"
                 "\n"
                 "  --csv            comma-separated values, quoted as RFC 4180 requires\n"
                 "  --json           JSON Lines: one object per record\n"
                 "  --xlsx           one workbook for a spreadsheet, every value exact:\n"
                 "                   lecture --xlsx FILE > records.xlsx\n"
                 "  --check          list nothing; one line per FILE: its records, and what\n"
                 "                   is wrong with it\n"
                 "  --hex            each text as the hexadecimal digits of its bytes\n"
                 "  -f, --follow     list the records appended to FILE later too, as they come,\n"
                 "                   until Ctrl-C, or until FILE is truncated or replaced\n"
                 "  --offset BYTES   start reading each file at that byte; a whole number of\n"
                 "                   records keeps the records' indexes in the file\n"
                 "  -n, --last N     only the last N records of each file; with --follow,\n"
                 "                   -n 0 lists only the records appended from now on;\n"
                 "                   -n +K, the records from the K-th on\n"
                 "  -h, --help       show this help and exit\n"
                 "  --version        show the version and exit\n"
                 "\n"
                 "Exit status: 0 when every file was read whole and clean, 1 when a file ends\n"
                 "in a partial record or holds a text without its NUL, or a followed file was\n"
                 "truncated or replaced, 2 on any error.\n");
constexpr ProgramText kText = {kListProgram, kUsage, kHelp, "lecture " ECRITURE_VERSION "\n", kListFailed};

// Ends the listing on standard output: flushed, then closed, as its buffer
// goes with the caller; false, after saying so, when either fails.
bool CloseListing()
{
    bool ok = CheckOutput(stdout, stderr, kText.name);
    // Interrupted, the close has closed all the same, the listing written.
    if (std::fclose(stdout) != 0 && errno != EINTR && ok) {
        PutMessage(
            stderr, kText.name, nullptr, "write error on standard output", DescribeReason(TakeReason()));
        ok = false;
    }
    return ok;
}

// Says each file to list that standard output writes to: the run's
// listing, a check line or a workbook would be written into it, text into
// a record file. True when there is one, and then nothing is listed.
bool RefuseOwnOutput(char** names, int count)
{
    bool refused = false;
    for (int i = 0; i < count; ++i)
        if (IsListingOutput(names[i])) {
            PutMessage(stderr, kText.name, names[i], "is standard output");
            refused = true;
        }
    return refused;
}

// Lists every file in turn, in a workbook with Xlsx; returns the worst
// status, and stops once the output cannot be written.
int ListFiles(char** names, int count, ListOptions options)
{
    if (RefuseOwnOutput(names, count))
        return kListFailed;
    int status = kListClean;
    Progress progress = StartProgress(stderr, !options.progress);
    Workbook book{};
    book.hex = options.hex;
    options.book = &book;
    options.named = count > 1;
    if (Reason why = PrepareListingOutput(stdout); why != kNoReason) {
        PutSystemError(stderr, kText.name, Translate("standard output"), why);
        count = 0;
        status = kListFailed;
    }
    bool headed = false;
    for (int i = 0; i < count && std::ferror(stdout) == 0; ++i)
        status = std::max(status, ListFile(names[i], options, headed, stdout, stderr));
    if (headed && options.format == ListFormat::Xlsx && !FinishWorkbook(book, progress, stdout, stderr))
        status = kListFailed;
    return CloseListing() ? status : kListFailed;
}

// The option of each format, as a usage error names it.
constexpr const char* kFormatOption[] = {"", "--csv", "--json", "--xlsx", "--check"};

// Refuses two options that exclude each other.
void RefuseBoth(CommandLine& line, const char* first, const char* second)
{
    char what[256];
    std::snprintf(what, sizeof what, Translate("%s and %s exclude each other"), first, second);
    RefuseUsage(line, what);
}

// Sets the format once; a usage error when another was asked for already.
void ChooseFormat(CommandLine& line, ListOptions& options, bool& chosen, ListFormat asked)
{
    if (chosen && options.format != asked)
        RefuseBoth(
            line, kFormatOption[static_cast<int>(options.format)], kFormatOption[static_cast<int>(asked)]);
    options.format = asked;
    chosen = true;
}

// Takes -n N, the last N records, or -n +K, the records from the K-th on,
// as tail counts lines from 1.
void TakeRecordCount(CommandLine& line, const char* count, ListOptions& options)
{
    long long n = 0;
    bool fromStart = *count == '+';
    if (!ParseWhole(count + (fromStart ? 1 : 0), n, true)) {
        RefuseUsage(line, "invalid number of records", count);
        return;
    }
    options.last = fromStart ? -1 : n;
    options.from = fromStart && n > 0 ? n - 1 : 0;
}

// Reads one option into the options; false after a usage error.
bool TakeOption(CommandLine& line, int opt, ListOptions& options, bool& chosen)
{
    // A number past what a file can hold stands for the most there is.
    if (opt == 'o' && !ParseWhole(optarg, options.offset, true))
        RefuseUsage(line, "invalid offset", optarg);
    else if (opt == 'n')
        TakeRecordCount(line, optarg, options);
    else if (opt >= static_cast<int>(ListFormat::Csv) && opt <= static_cast<int>(ListFormat::Check))
        ChooseFormat(line, options, chosen, static_cast<ListFormat>(opt));
    options.follow = options.follow || opt == 'f';
    options.hex = options.hex || opt == 'x';
    return line.status == kGoOn;
}

// Refuses a workbook that cannot be written or should not be: one followed,
// one that this build cannot make, and binary bytes on a terminal.
void CheckWorkbook(CommandLine& line, const ListOptions& options)
{
    if (options.format != ListFormat::Xlsx)
        return;
    if (!CanWriteWorkbooks())
        RefuseUsage(line, "--xlsx: this lecture was built without libxlsxwriter");
    else if (IsTerminal(stdout))
        RefuseUsage(line, "--xlsx writes a binary workbook: redirect standard output to a file");
}

// Refuses the operands that the options cannot list: none, or for a
// follow more than one, standard input, or a format that cannot follow.
void CheckOperands(CommandLine& line, const ListOptions& options)
{
    int count = line.argc - optind;
    if (count == 0)
        RefuseUsage(line, "no FILE to list");
    else if (options.follow && count > 1)
        RefuseUsage(line, "--follow follows one FILE");
    else if (options.follow && std::strcmp(line.argv[optind], "-") == 0)
        RefuseUsage(line, "--follow cannot follow standard input");
    else if (options.follow && options.format >= ListFormat::Xlsx)
        RefuseBoth(line, "--follow", kFormatOption[static_cast<int>(options.format)]);
    else
        CheckWorkbook(line, options);
}

// Reads the command line into the options, the operands' wildcards
// expanded where the system leaves that to the program (unmatched counts
// those that gave no file): kGoOn, or the status to end with at once, after
// --help or --version or a usage error.
int ReadOptions(CommandLine& line, ListOptions& options, int& unmatched)
{
    static const option kOptions[] = {
        {"csv", no_argument, nullptr, static_cast<int>(ListFormat::Csv)},
        {"json", no_argument, nullptr, static_cast<int>(ListFormat::Json)},
        {"xlsx", no_argument, nullptr, static_cast<int>(ListFormat::Xlsx)},
        {"check", no_argument, nullptr, static_cast<int>(ListFormat::Check)},
        {"hex", no_argument, nullptr, 'x'},
        {"follow", no_argument, nullptr, 'f'},
        {"offset", required_argument, nullptr, 'o'},
        {"last", required_argument, nullptr, 'n'},
        {"help", no_argument, nullptr, kHelpOption},
        {"version", no_argument, nullptr, kVersionOption},
        {nullptr, 0, nullptr, 0},
    };
    bool chosen = false;
    for (int opt; (opt = NextOption(line, "fn:", kOptions)) != 0;)
        if (!TakeOption(line, opt, options, chosen))
            return line.status;
    if (line.status != kGoOn)
        return line.status;
    unmatched = ExpandWildcards(line, optind);
    CheckOperands(line, options);
    return line.status;
}

} // namespace

int main(int argc, char** argv)
{
    OpenCatalogue();
    // The listing is the program's work: a closed standard output fails it.
    Reason inputClosed = kNoReason;
    if (!PrepareStandardStreams(inputClosed))
        return kListFailed;
    CommandLine line = OpenCommandLine(argc, argv, kText);
    ListOptions options{ListFormat::Tsv, 0, -1, false, false, nullptr, inputClosed, false, false, 0};
    int unmatched = 0;
    if (ReadOptions(line, options, unmatched) != kGoOn)
        return line.status;
    // A person waiting at a terminal sees how a long run goes, unless the
    // listing itself shows it there.
    options.progress =
        IsTerminal(stderr) && !options.follow && (options.format == ListFormat::Check || !IsTerminal(stdout));
    int status = ListFiles(line.argv + optind, line.argc - optind, options);
    return unmatched > 0 ? kListFailed : status;
}
