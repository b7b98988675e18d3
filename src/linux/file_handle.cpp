// An open file on Linux: a descriptor.
#include "file_handle.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

bool IsRegularFile(FileHandle file, Reason& why)
{
    struct stat st;
    bool known = fstat(static_cast<int>(file), &st) == 0;
    why = known ? kNoReason : TakeReason();
    return known && S_ISREG(st.st_mode);
}

Reason CloseFile(FileHandle file)
{
    // Linux frees the descriptor even when the close is interrupted, so it is
    // not retried; the data were flushed before, where it mattered.
    return close(static_cast<int>(file)) == 0 || errno == EINTR ? kNoReason : TakeReason();
}
