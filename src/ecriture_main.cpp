// The entry point: the command line, the capture loop on the standard
// streams, and the status.
#include "catalogue.h"
#include "command_line.h"
#include "console.h"
#include "ecriture.h"
#include "input.h"
#include "messages.h"
#include "signals.h"
#include "standard_streams.h"

#include <cstdio>

namespace {

constexpr int kStatusOpenFailed = 1;
constexpr int kStatusDataLost = 255;

constexpr const char* kUsage = Untranslated("usage: ecriture [FILE]\n");
constexpr const char* kHelp =
    Untranslated("Append records typed on the console to FILE, 88 bytes each: two whole numbers\n"
                 "and a line of text, echoed and reported one at a time. Without FILE, the\n"
                 "name of the file is asked first. At the console, an answer can be edited\n"
                 "before Enter.\n"
                 "\n"
                 "  -h, --help  show this help and exit\n"
                 "  --version   show the version and exit\n"
                 "\n"
                 "Exit status: 0 when every record was stored and flushed and the file closed,\n"
                 "1 when the file could not be opened, 2 on a usage error (nothing is opened),\n"
                 "255 when a record, a flush to disk, the close or the console failed, or the\n"
                 "input ended inside a record.\n");
constexpr ProgramText kText = {
    kCaptureProgram, kUsage, kHelp, "ecriture " ECRITURE_VERSION "\n", kStatusDataLost};

// Reads the command line: the operand, when there is one, names the record
// file. kGoOn, or the status to end with at once, before anything is opened.
int ReadArguments(int argc, char** argv, const char*& operand)
{
    static const option kOptions[] = {
        {"help", no_argument, nullptr, kHelpOption},
        {"version", no_argument, nullptr, kVersionOption},
        {nullptr, 0, nullptr, 0},
    };
    CommandLine line = OpenCommandLine(argc, argv, kText);
    while (NextOption(line, "", kOptions) != 0) {}
    if (line.status == kGoOn && line.argc - optind > 1)
        RefuseUsage(line, "one FILE at most");
    operand = line.status == kGoOn && optind < line.argc ? line.argv[optind] : nullptr;
    return line.status;
}

// One run on the readied standard streams: the file named and opened, the
// records captured, the file flushed and closed, and the status.
int RunCapture(const char* operand, Input& in)
{
    Console console = ChooseConsole();
    char typed[kNameSize];
    Reason refused = kNoReason;
    bool ended = false;
    const char* nom = operand != nullptr ? operand : AskFileName(typed, refused, ended, console, in, stdout);
    // One log of both streams reads in the dialogue's order: what standard
    // error would say goes where the dialogue goes, and as it goes.
    std::FILE* said = IsOutputAlsoError() ? stdout : stderr;
    int failures = 0;
    FileHandle file = OpenNamedFile(nom, refused, ended, failures, said);
    // The name may have been lost to a read error, which must show.
    if (file == kNoFile)
        return CheckConsole(in, stdout, said) ? kStatusOpenFailed : kStatusDataLost;
    failures += CaptureRecords(file, nom, console, in, stdout, said);
    bool closed = CloseRecordFile(file, nom, said);
    bool consoleOk = CheckConsole(in, stdout, said);
    return failures == 0 && closed && consoleOk ? 0 : kStatusDataLost;
}

} // namespace

int main(int argc, char** argv)
{
    OpenCatalogue();
    Reason inputClosed = kNoReason;
    if (!PrepareStandardStreams(inputClosed))
        return kStatusDataLost;
    IgnoreWriteSignals();
    const char* operand = nullptr;
    if (int status = ReadArguments(argc, argv, operand); status != kGoOn)
        return status;
    // Nothing to capture: no file is opened.
    if (inputClosed != kNoReason) {
        PutMessage(
            stderr, kCaptureProgram, nullptr, "read error on standard input", DescribeReason(inputClosed));
        return kStatusDataLost;
    }
    Input in;
    OpenInput(in, StandardInput());
    return RunCapture(operand, in);
}
