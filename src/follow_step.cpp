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
    if (look.length < look.read || !look.partSame)
        return Do(FollowStep::ReadAgain);
    if (look.justRead)
        return Do(FollowStep::List);
    // A file that lost its name is read to its end first.
    if (look.read < look.length && !look.drained)
        return Do(FollowStep::Read);
    return look.naming == Naming::Same ? Do(FollowStep::Wait) : End(EndOfName(look.naming));
}
