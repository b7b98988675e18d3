// The file a workbook is written to before it goes out.
#include "workbook_file.h"

#include "catalogue.h"
#include "console.h"
#include "listed_file.h"
#include "listing.h"
#include "messages.h"
#include "record_file.h"

#include <cstring>

namespace {

// True when the workbook ends as a whole zip archive does, in its end
// record: the library leaves some of its writes unchecked, and a full disk
// may have cut it short.
bool EndsWhole(FileHandle file)
{
    constexpr std::size_t kEndRecord = 22;
    char end[kEndRecord];
    Reason why = kNoReason;
    long long length = FileLength(file, why);
    return length >= static_cast<long long>(kEndRecord) &&
        ReadAt(file, length - static_cast<long long>(kEndRecord), end, sizeof end, why) ==
        static_cast<long long>(kEndRecord) &&
        std::memcmp(end, "PK\5\6", 4) == 0;
}

} // namespace

bool CopyWorkbook(const ScratchFile& scratch, Reason closing, std::FILE* out, std::FILE* err)
{
    char block[1 << 16];
    Reason why = kNoReason;
    FileHandle file = OpenListedFile(scratch.name, why);
    bool whole = file != kNoFile && EndsWhole(file);
    if (file != kNoFile && !whole)
        PutMessage(err, kListProgram, nullptr, "cannot write the workbook",
            closing != kNoReason ? DescribeReason(closing) : Translate("it was cut short"));
    long long n = 0;
    while (whole && (n = ReadSome(file, block, sizeof block, why)) > 0)
        PutBytes(out, block, static_cast<std::size_t>(n));
    if (file != kNoFile)
        (void)CloseFile(file);
    if (why != kNoReason)
        PutMessage(err, kListProgram, nullptr, "cannot read the workbook back", DescribeReason(why));
    return whole && why == kNoReason;
}

bool MakeWorkbookFile(ScratchFile& scratch, std::FILE* err)
{
    Reason why = MakeScratchFile(scratch);
    if (why == kNoReason)
        return true;
    if (scratch.variable == nullptr) {
        PutMessage(
            err, kListProgram, nullptr, "cannot make the workbook's scratch file", DescribeReason(why));
        return false;
    }
    // In a folder that a variable names, the folder and the variable are
    // said, for the user to mend.
    char what[256];
    std::snprintf(what, sizeof what,
        Translate("cannot make the workbook's scratch file in this folder, which %s names"),
        scratch.variable);
    PutMessage(err, kListProgram, scratch.folder, what, DescribeReason(why));
    return false;
}
