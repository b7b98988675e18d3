#include "follow_step.h"

namespace {

FollowDecision Do(FollowStep step)
{
    return FollowDecision{step, FollowEnd::None};
}

FollowDecision End(FollowEnd end)
{
    return FollowDecision{FollowStep::End, end};
}

FollowEnd EndOfName(Naming naming)
{
    return naming == Naming::Renamed ? FollowEnd::Renamed
        : naming == Naming::Removed  ? FollowEnd::Removed
                                     : FollowEnd::Replaced;
}

// Nothing more to read of what the look found: a file that lost its name
// is no longer followed, a part at the end is stray where no writer held
// the lock, else the next change is waited for.
FollowDecision AtTheEnd(const FollowLook& look)
{
    if (look.naming != Naming::Same)
        return End(EndOfName(look.naming));
    if (look.held > 0 && !look.unlocked && look.read >= look.length)
        return Do(FollowStep::DropStray);
    return Do(FollowStep::Wait);
}

} // namespace

FollowDecision NextFollowStep(const FollowLook& look)
{
    if (look.readerGone)
        return End(FollowEnd::ReaderGone);
    if (look.broken)
        return End(FollowEnd::Failed);
    if (look.failure != kNoReason)
        return Do(FollowStep::MeetFailure);
    if (look.busy)
        return Do(FollowStep::LookAgain);
    // A follow goes on only while what was listed stands: past a cut below
    // it, or another record where the last one was, it is another file.
    if (look.length < look.listedEnd)
        return End(FollowEnd::Truncated);
    if (!look.lastSame)
        return End(FollowEnd::Rewritten);
    if (look.length < look.read || !look.heldSame)
        return Do(FollowStep::ReadAgain);
    if (look.justRead)
        return Do(FollowStep::List);
    // A file that lost its name is read to its end first.
    return look.read < look.length && !look.drained ? Do(FollowStep::Read) : AtTheEnd(look);
}
