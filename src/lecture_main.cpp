// lecture: lists the records of files written by ecriture, and checks them.
#include "listing.h"
#include "messages.h"
#include "platform.h"

#include <cstdio>
#include <cstring>
#include <getopt.h>

namespace {

constexpr char kProgram[] = "lecture";
constexpr int kStatusUsage = 2;
// What ReadOptions gives when the run goes on.
constexpr int kGoOn = -1;

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

int ShowUsage(std::FILE* to, int status)
{
    return ShowText(to, kProgram, kUsage, status == 0 ? kHelp : "", status, kListFailed);
}

// Lists every file in turn; returns the worst status, and stops once the
// output cannot be written.
int ListFiles(char** names, int count, long long offset, ListFormat format, bool follow)
{
    int status = kListClean;
    bool named = count > 1;
    if (!PrepareListingOutput(stdout)) {
        PutSystemError(stderr, kProgram, "standard output");
        return kListFailed;
    }
    PutHeader(stdout, format, named);
    for (int i = 0; i < count && std::ferror(stdout) == 0; ++i) {
        if (named && format == ListFormat::Tsv) {
            PutBytes(stdout, "==> ", 4);
            PutTextTsv(stdout, names[i], std::strlen(names[i]));
            PutBytes(stdout, " <==", 4);
            PutLineEnd(stdout);
        }
        int listed = ListFile(names[i], offset, format, named, follow, stdout, stderr);
        status = listed > status ? listed : status;
    }
    return CheckOutput(stdout, stderr, kProgram) ? status : kListFailed;
}

// Sets the format once; false when another was asked for already.
bool ChooseFormat(ListFormat& format, bool& chosen, ListFormat asked)
{
    bool same = !chosen || format == asked;
    format = asked;
    chosen = true;
    return same;
}

// Reads the options into format, follow and offset: kGoOn, or the status
// to end with at once, after --help or --version or a usage error.
int ReadOptions(int argc, char** argv, ListFormat& format, bool& follow, long long& offset)
{
    static const option kOptions[] = {
        {"csv", no_argument, nullptr, 'c'},
        {"json", no_argument, nullptr, 'j'},
        {"follow", no_argument, nullptr, 'f'},
        {"offset", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'v'},
        {nullptr, 0, nullptr, 0},
    };
    if (argc > 1 && IsHelpRequest(argv[1]))
        return ShowUsage(stdout, 0);
    // Its errors are said as every other message is, on every system.
    opterr = 0;
    bool chosen = false;
    for (int opt; (opt = getopt_long(argc, argv, ":f", kOptions, nullptr)) != -1;) {
        if (opt == 'h')
            return ShowUsage(stdout, 0);
        if (opt == 'v')
            return ShowText(stdout, kProgram, "lecture ", ECRITURE_VERSION "\n", 0, kListFailed);
        bool ok = opt == 'f' || (opt == 'o' && ParseOffset(optarg, offset)) ||
            (opt == 'c' && ChooseFormat(format, chosen, ListFormat::Csv)) ||
            (opt == 'j' && ChooseFormat(format, chosen, ListFormat::Json));
        if (!ok && opt == 'o')
            std::fprintf(stderr, "lecture: invalid offset '%s'\n", optarg);
        else if (!ok && (opt == '?' || opt == ':'))
            PutOptionError(stderr, kProgram, opt, argv);
        if (!ok)
            return ShowUsage(stderr, kStatusUsage);
        follow = follow || opt == 'f';
    }
    int count = argc - optind;
    if (count == 0 || (follow && (count > 1 || std::strcmp(argv[optind], "-") == 0)))
        return ShowUsage(stderr, kStatusUsage);
    return kGoOn;
}

} // namespace

int main(int argc, char** argv)
{
    // The listing is the program's work: a closed standard output fails it.
    if (!PrepareStandardStreams(true))
        return kListFailed;
    // Large blocks for a listing of a million lines; static, as stdout
    // still uses it when main returns.
    static char outbuf[1 << 16];
    std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
    argv = GetArguments(argc, argv);
    if (argv == nullptr) {
        PutMessage(stderr, kProgram, nullptr, "the command line cannot be read as Unicode");
        return kStatusUsage;
    }
    ListFormat format = ListFormat::Tsv;
    bool follow = false;
    long long offset = 0;
    if (int status = ReadOptions(argc, argv, format, follow, offset); status != kGoOn)
        return status;
    return ListFiles(argv + optind, argc - optind, offset, format, follow);
}
