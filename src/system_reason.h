// Why a system call failed, as a value: handed back by the call that failed,
// so that no caller has to fetch it before some other call replaces it.
// system_reason.cpp of each system's folder: linux/ reads errno, win/
// GetLastError(); the name leaves Windows its own reason.h.
#ifndef ECRITURE_SYSTEM_REASON_H
#define ECRITURE_SYSTEM_REASON_H

// The system's own number for the failure: an errno value on POSIX, a
// Windows error code on Windows; kNoReason when nothing failed.
using Reason = unsigned long;
constexpr Reason kNoReason = 0;

// The reason the failing call just made left, taken at the failure site.
Reason TakeReason();

// Clears the reason the last failing call left, before a library's calls
// whose failure gives no reason of its own: one found after them is theirs.
void ClearReason();

// The system's words for the reason, without a full stop or a line end;
// valid until the next call.
const char* DescribeReason(Reason why);

#endif
