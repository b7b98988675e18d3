// The reason of a failure on POSIX systems: errno and strerror.
#include "system_reason.h"

#include <cerrno>
#include <cstring>

Reason TakeReason()
{
    return static_cast<Reason>(errno);
}

void ClearReason()
{
    errno = 0;
}

const char* DescribeReason(Reason why)
{
    return std::strerror(static_cast<int>(why));
}
