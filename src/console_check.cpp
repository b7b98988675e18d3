// The end of a run's console: what was done to the answers, said once,
// and whether the dialogue was read and written whole.
#include "ecriture.h"

#include "catalogue.h"
#include "console.h"
#include "dialogue.h"
#include "messages.h"

#include <cstdio>

namespace {

// Says once what was done to answers that a Windows file saved: read in
// the ANSI code page, not refused; with CR LF, the texts' CRs kept, which
// a query for the text then misses, the name's dropped.
void SayHowAnswersWereRead(const Input& in, std::FILE* err)
{
    if (in.textCr && in.nameCr)
        PutMessage(err, kCaptureProgram, nullptr,
            "answers end in CR LF: the file name's CR is dropped, the texts keep theirs (convert the file "
            "first: sed -i 's/\\r$//' FILE)");
    else if (in.textCr)
        PutMessage(err, kCaptureProgram, nullptr,
            "answers end in CR LF: the CR is kept in the texts (convert the file first: sed -i 's/\\r$//' "
            "FILE)");
    if (in.state.recoded)
        PutMessage(err, kCaptureProgram, nullptr,
            "some answers were not UTF-8: read in the ANSI code page, stored as UTF-8");
}

// Text mode's end of the input, a Ctrl-Z, met with answers after it: they
// were never read, which a script must be able to tell. False then.
bool SayInputCut(const Input& in, std::FILE* err)
{
    if (in.state.afterCtrlZ == 0)
        return true;
    char what[256];
    char count[kCountSize];
    std::snprintf(what, sizeof what,
        TranslatePlural("the input ends at a Ctrl-Z: %s byte after it was not read",
            "the input ends at a Ctrl-Z: %s bytes after it were not read",
            static_cast<unsigned long long>(in.state.afterCtrlZ)),
        GroupCount(in.state.afterCtrlZ, count));
    PutMessage(err, kCaptureProgram, nullptr, what);
    return false;
}

} // namespace

bool CheckConsole(const Input& in, std::FILE* out, std::FILE* err)
{
    // The dialogue first, as the messages below come after it.
    FlushOutput(out);
    SayHowAnswersWereRead(in, err);
    bool ok = SayInputCut(in, err);
    if (in.failed != kNoReason) {
        PutMessage(err, kCaptureProgram, nullptr, "read error on standard input", DescribeReason(in.failed));
        ok = false;
    }
    ok = CheckOutput(out, err, kCaptureProgram) && ok;
    // A lost report is told on the stream that lost it: the failure may
    // have been passing.
    if (err != out && std::ferror(err) != 0) {
        std::clearerr(err);
        PutMessage(err, kCaptureProgram, nullptr, "write error on standard error");
        ok = false;
    }
    return ok;
}
