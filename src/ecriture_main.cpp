// The entry point: the capture loop on the standard streams, and the status.
#include "ecriture.h"
#include "platform.h"

#include <cstdio>

namespace {

constexpr int kStatusOpenFailed = 1;
constexpr int kStatusDataLost = 255;

} // namespace

int main()
{
    if (!PrepareStandardStreams())
        return kStatusDataLost;
    char nom[kLineSize] = {};
    int failures = 0;
    FileHandle file = AskRecordFile(nom, failures, stdin, stdout, stderr);
    // The name may have been lost to a read error, which must show.
    if (file == kNoFile)
        return CheckConsole(stdin, stdout, stderr) ? kStatusOpenFailed : kStatusDataLost;
    // A person typing is told "écrits" only once the record is on disk; piped
    // input is flushed once, at the close, to keep its pace.
    failures += CaptureRecords(file, nom, IsConsoleInput(), stdin, stdout, stderr);
    bool closed = CloseRecordFile(file, nom, stderr);
    bool console = CheckConsole(stdin, stdout, stderr);
    return failures == 0 && closed && console ? 0 : kStatusDataLost;
}
