#include "listed.h"

#include "catalogue.h"
#include "console.h"
#include "listed_file.h"
#include "messages.h"
#include "record_file.h"
#include "signals.h"

#include <cstring>

namespace {

// Why a followed file is no longer followed, said when it is.
constexpr const char* kTruncated = Untranslated("file truncated; no longer followed");
constexpr const char* kRewritten = Untranslated("file truncated or rewritten; no longer followed");
constexpr const char* kNamingEnds[] = {nullptr, Untranslated("file renamed; no longer followed"),
    Untranslated("file removed; no longer followed"), Untranslated("file replaced; no longer followed")};

// Whether the n bytes at offset in the file are still those given; false,
// with why, when they cannot be read.
bool Holds(const Listed& listed, long long offset, const char* bytes, std::size_t n, bool& same, Reason& why)
{
    char now[kRecordSize];
    long long got = ReadAt(listed.file, offset, now, n, why);
    same = got == static_cast<long long>(n) && std::memcmp(now, bytes, n) == 0;
    return why == kNoReason;
}

// Reads the file again from the end of what was listed, what was held or
// dropped after it read anew.
const char* ReadAgainFrom(Listed& listed)
{
    if (Reason why = SeekTo(listed.file, listed.listedEnd); why != kNoReason)
        return MeetFailure(listed, why);
    listed.read = listed.listedEnd;
    listed.have = 0;
    listed.index = listed.lastAt >= 0 ? listed.lastIndex + 1 : listed.first;
    return nullptr;
}

// Waits at the end of a followed file until it may have grown, and looks
// again; the reason to stop following it, or null. A file that lost its
// name is read on to its end first: following turns false.
const char* AwaitGrowth(Listed& listed)
{
    DropStray(listed);
    AwaitFollowed(listed, listed.watch, listed.busy ? kLookAgain : kFollowWait);
    Reason why = kNoReason;
    Naming naming = CheckName(listed.file, listed.name, why);
    if (why != kNoReason)
        return MeetFailure(listed, why);
    if (!TakeLimit(listed, false))
        return nullptr;
    listed.following = naming == Naming::Same;
    return listed.following ? CheckListed(listed, listed.have) : kNamingEnds[static_cast<int>(naming)];
}

} // namespace

void Warn(Listed& listed, const char* what, const char* more)
{
    EraseProgress(listed.progress);
    FlushOutput(listed.out);
    PutMessage(listed.err, kListProgram, listed.name, what, more);
}

void AwaitFollowed(const Listed& listed, WatchHandle watch, int milliseconds)
{
    if (!AwaitChange(watch, listed.out, milliseconds))
        EndAsClosedPipe();
}

void DropStray(Listed& listed)
{
    if (listed.have == 0 || listed.unlocked || listed.limit < 0 || listed.read < listed.limit)
        return;
    char what[256];
    std::snprintf(what, sizeof what,
        TranslatePlural("%zu stray byte at byte %lld; the records after it are listed from byte %lld, as "
                        "lecture --offset %lld lists them",
            "%zu stray bytes at byte %lld; the records after them are listed from byte %lld, as lecture "
            "--offset %lld lists them",
            listed.have),
        listed.have, listed.read - static_cast<long long>(listed.have), listed.read, listed.read);
    Warn(listed, what);
    listed.have = 0;
    listed.index = IndexFrom(listed.read, listed.read);
}

const char* MeetFailure(Listed& listed, Reason why)
{
    if (++listed.failing >= kLastingFailure && !listed.failureSaid) {
        FlushOutput(listed.out);
        PutMessage(listed.err, kListProgram, listed.name, DescribeReason(why), Translate("trying again"));
        listed.failureSaid = true;
    }
    return nullptr;
}

const char* CheckListed(Listed& listed, std::size_t held)
{
    long long length = listed.limit;
    Reason why = kNoReason;
    bool lastSame = true;
    bool heldSame = true;
    if (length < listed.listedEnd)
        return kTruncated;
    if (listed.lastAt >= 0 && !Holds(listed, listed.lastAt, listed.last, kRecordSize, lastSame, why))
        return MeetFailure(listed, why);
    if (!lastSame)
        return kRewritten;
    long long heldAt = listed.read - static_cast<long long>(listed.have);
    if (held > 0 && !Holds(listed, heldAt, listed.block, held, heldSame, why))
        return MeetFailure(listed, why);
    if (length < listed.read || !heldSame)
        return ReadAgainFrom(listed);
    listed.failing = 0;
    return nullptr;
}

bool ReadAgain(Listed& listed, long long n, Reason why)
{
    if (n < 0 && listed.following) {
        MeetFailure(listed, why);
        AwaitFollowed(listed, listed.watch);
        return true;
    }
    if (n < 0) {
        Warn(listed, DescribeReason(why));
        listed.failed = true;
        return false;
    }
    if (!listed.following || !FlushOutput(listed.out))
        return false;
    listed.stop = AwaitGrowth(listed);
    return listed.stop == nullptr || !listed.following;
}

bool CanGrow(Listed& listed)
{
    Reason why = kNoReason;
    bool regular = IsRegularFile(listed.file, why);
    for (; why != kNoReason; regular = IsRegularFile(listed.file, why)) {
        MeetFailure(listed, why);
        AwaitFollowed(listed, kNoWatch);
    }
    listed.failing = 0;
    return regular;
}

FileHandle OpenToFollow(Listed& listed, Reason& why)
{
    FileHandle file = OpenListedFile(listed.name, why);
    if (file == kNoFile && MeansNoSuchFile(why)) {
        Warn(listed, "does not exist yet; waiting for it");
        while ((file = OpenListedFile(listed.name, why)) == kNoFile && MeansNoSuchFile(why))
            AwaitFollowed(listed, kNoWatch);
    }
    return file;
}
