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
    FileHandle file = AskRecordFile(stdin, stdout, stderr);
    if (file == kNoFile)
        return kStatusOpenFailed;
    int lost = CaptureRecords(file, stdin, stdout, stderr);
    bool closed = CloseFile(file);
    bool console = CheckConsole(stdin, stdout, stderr);
    return lost == 0 && closed && console ? 0 : kStatusDataLost;
}
