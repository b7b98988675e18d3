// lecture: lists the records of files written by ecriture, and checks them.
#include "listing.h"
#include "platform.h"

#include <cstdio>
#include <getopt.h>

namespace {

constexpr int kStatusUsage = 2;

constexpr char kUsage[] = "usage: lecture [--csv] [--offset BYTES] FILE...\n";
constexpr char kHelp[] = "List the 88-byte records of each FILE (- for standard input), one per line.\n"
                         "\n"
                         "  --csv            comma-separated values, quoted as RFC 4180 requires\n"
                         "  --offset BYTES   start reading each file at that byte\n"
                         "  --help           show this help and exit\n"
                         "  --version        show the version and exit\n"
                         "\n"
                         "Exit status: 0 when every file was read whole and clean, 1 when a file ends\n"
                         "in a partial record or holds a text without its NUL, 2 on any error.\n";

// Prints the two texts; status, or 2 when they could not be written.
int ShowText(std::FILE* to, const char* first, const char* second, int status)
{
    std::fputs(first, to);
    std::fputs(second, to);
    if (std::fflush(to) == 0 && std::ferror(to) == 0)
        return status;
    if (to == stdout)
        std::fputs("lecture: write error on standard output\n", stderr);
    return kListFailed;
}

int ShowUsage(std::FILE* to, int status)
{
    return ShowText(to, kUsage, status == 0 ? kHelp : "", status);
}

// Lists every file in turn; returns the worst status, and stops once the
// output cannot be written.
int ListFiles(char** names, int count, long long offset, bool csv, std::FILE* out, std::FILE* err)
{
    int status = kListClean;
    std::fputs(csv ? "index,numero,valeur,tampon\n" : "index\tnumero\tvaleur\ttampon\n", out);
    for (int i = 0; i < count && std::ferror(out) == 0; ++i) {
        if (count > 1)
            std::fprintf(out, "==> %s <==\n", names[i]);
        int listed = ListFile(names[i], offset, csv, out, err);
        status = listed > status ? listed : status;
    }
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        std::fputs("lecture: write error on standard output\n", err);
        status = kListFailed;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    static const option kOptions[] = {
        {"csv", no_argument, nullptr, 'c'},
        {"offset", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'v'},
        {nullptr, 0, nullptr, 0},
    };
    if (!PrepareStandardStreams())
        return kListFailed;
    // Large blocks for a listing of a million lines; static, as stdout
    // still uses it when main returns.
    static char outbuf[1 << 16];
    std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
    bool csv = false;
    long long offset = 0;
    for (int opt; (opt = getopt_long(argc, argv, "", kOptions, nullptr)) != -1;) {
        if (opt == 'c')
            csv = true;
        else if (opt == 'h')
            return ShowUsage(stdout, 0);
        else if (opt == 'v')
            return ShowText(stdout, "lecture ", ECRITURE_VERSION "\n", 0);
        else if (opt != 'o' || !ParseOffset(optarg, offset)) {
            if (opt == 'o')
                std::fprintf(stderr, "lecture: invalid offset '%s'\n", optarg);
            return ShowUsage(stderr, kStatusUsage);
        }
    }
    if (optind == argc)
        return ShowUsage(stderr, kStatusUsage);
    return ListFiles(argv + optind, argc - optind, offset, csv, stdout, stderr);
}
