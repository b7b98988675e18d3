// What became of each record appended, said once the lock is released.
#include "append.h"

#include "catalogue.h"
#include "messages.h"

#include <cstdio>

namespace {

// Says a part of a record that stays at the end of the file, this run's
// or another's, after which nothing more is appended.
void SayPartLeft(const Pending& record, bool part, const char* nom, std::FILE* err)
{
    if (record.offGrid) {
        char what[256];
        std::snprintf(what, sizeof what,
            Translate("another run left part of a record at byte %lld; nothing more is appended, and "
                      "lecture --offset %lld reads the records that others append after it"),
            record.partAt, record.at);
        PutMessage(err, kCaptureProgram, nom, what);
    } else if (part && record.at >= 0) {
        char what[256];
        std::snprintf(what, sizeof what,
            Translate("the part of a record written stays at byte %lld; no record will be appended after it"),
            record.at);
        PutMessage(err, kCaptureProgram, nom, what);
    } else if (part) {
        PutMessage(err, kCaptureProgram, nom,
            "the part of a record written stays; no record will be written after it");
    }
}

// Says what went wrong with the record, in the order it happened, and what
// stays of it in the file that its report does not claim.
void SayWhatFailed(const Pending& record, const char* nom, std::FILE* err)
{
    bool part = record.stays > 0 && record.stays < kRecordSize;
    if (record.writeFailed != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, record.writeFailed);
    if (record.flushFailed != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, record.flushFailed);
    if (record.takeBackFailed != kNoReason)
        PutMessage(err, kCaptureProgram, nom,
            part ? Untranslated("cannot take back the part of the record written")
                 : Untranslated("cannot take back the record"),
            DescribeReason(record.takeBackFailed));
    if (record.flushFailed != kNoReason && record.stays > 0)
        PutMessage(err, kCaptureProgram, nom, "the record was not flushed and may still be in the file");
    SayPartLeft(record, part, nom, err);
}

} // namespace

int ReportAppended(const Pending& record, const char* nom, std::FILE* err)
{
    SayWhatFailed(record, nom, err);
    // Only a record stored whole, and flushed when that was due, is
    // reported as written. The usual report goes out as it stands:
    // formatting it for every record would cost more than the rest of the
    // loop's own work.
    std::size_t shown = record.flushFailed != kNoReason ? 0 : record.stays;
    if (shown == kRecordSize)
        PutLiteral(err, "88 Bytes écrits\n");
    else
        PutNumberLine(err, "", static_cast<long long>(shown), " Bytes écrits\n");
    return record.writeFailed != kNoReason || record.flushFailed != kNoReason || record.offGrid ? 1 : 0;
}
