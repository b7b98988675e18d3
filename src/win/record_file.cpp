// The record file on Windows, through the Win32 API.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "record_file.h"
#include "handles.h"
#include "wide_path.h"

#include <windows.h>

namespace {

// Where the agreed lock lies, for LockFileEx and UnlockFileEx.
OVERLAPPED AgreedByte()
{
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(kAppendLockOffset);
    at.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    return at;
}

} // namespace

const Reason kNameTooLong = ERROR_FILENAME_EXCED_RANGE;

FileHandle OpenRecordFile(const char* nom, bool& created, Reason& why)
{
    created = false;
    wchar_t wide[kWidePathSize];
    // Records written into a device or a hidden stream would vanish from
    // every listing, each reported as written.
    if ((why = RefuseHiddenName(nom)) != kNoReason)
        return kNoFile;
    if (!ToWidePath(nom, wide)) {
        why = TakeReason();
        return kNoFile;
    }
    // Append access without write access makes the system put every write at
    // the end of the file, as O_APPEND does; read access lets it be locked.
    HANDLE file = CreateFileW(wide, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    created = file != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    why = file == INVALID_HANDLE_VALUE ? FolderOr(wide, TakeReason()) : kNoReason;
    if (file != INVALID_HANDLE_VALUE && IsUnaskedDevice(nom, file)) {
        // Opened for this only; nothing was written to it.
        (void)CloseHandle(file);
        why = kIsDevice;
        return kNoFile;
    }
    return FromHandle(file);
}

Reason FlushNewName(const char* /*nom*/, char (&dir)[kDirectorySize])
{
    dir[0] = '\0';
    // Windows has no flush for a directory; the file's own flush is all it offers.
    return kNoReason;
}

Reason FlushRecordFile(FileHandle file)
{
    // Flushing a pipe would wait for its reader; a console or a device holds nothing.
    if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK)
        return kNoReason;
    return FlushFileBuffers(AsHandle(file)) != 0 ? kNoReason : TakeReason();
}

long long FileLength(FileHandle file, Reason& why)
{
    LARGE_INTEGER size;
    why = kNoReason;
    if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK)
        return -1;
    if (GetFileSizeEx(AsHandle(file), &size) == 0) {
        why = TakeReason();
        return -1;
    }
    return size.QuadPart;
}

Reason LockRecordFile(FileHandle file)
{
    OVERLAPPED at = AgreedByte();
    return LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0 ? kNoReason : TakeReason();
}

Reason TryLockRecordFile(FileHandle file)
{
    OVERLAPPED at = AgreedByte();
    return LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0
        ? kNoReason
        : TakeReason();
}

Reason ShareRecordFile(FileHandle file)
{
    OVERLAPPED at = AgreedByte();
    return LockFileEx(AsHandle(file), 0, 0, 1, 0, &at) != 0 ? kNoReason : TakeReason();
}

Reason TryShareRecordFile(FileHandle file)
{
    OVERLAPPED at = AgreedByte();
    return LockFileEx(AsHandle(file), LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0 ? kNoReason
                                                                                    : TakeReason();
}

bool MeansLockBusy(Reason why)
{
    return why == ERROR_LOCK_VIOLATION || why == ERROR_IO_PENDING;
}

bool IsSharedFile(FileHandle file)
{
    // Only a file on a remote volume has a remote protocol.
    FILE_REMOTE_PROTOCOL_INFO info = {};
    return GetFileInformationByHandleEx(AsHandle(file), FileRemoteProtocolInfo, &info, sizeof info) != 0;
}

bool MeansNoLocks(Reason why)
{
    return why == ERROR_NOT_SUPPORTED || why == ERROR_INVALID_FUNCTION;
}

Reason UnlockRecordFile(FileHandle file)
{
    OVERLAPPED at = AgreedByte();
    return UnlockFileEx(AsHandle(file), 0, 1, 0, &at) != 0 ? kNoReason : TakeReason();
}

Reason CutRecordFile(FileHandle file, long long length)
{
    // The append-only handle cannot change the file's length: a handle with
    // write access can, for this once.
    HANDLE writable = ReOpenFile(AsHandle(file), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (writable == INVALID_HANDLE_VALUE)
        return TakeReason();
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = length;
    Reason why = SetFileInformationByHandle(writable, FileEndOfFileInfo, &end, sizeof end) != 0
        ? kNoReason
        : TakeReason();
    (void)CloseHandle(writable);
    return why;
}

std::size_t WriteWhole(FileHandle file, const char* bytes, std::size_t n, Reason& why)
{
    std::size_t done = 0;
    why = kNoReason;
    while (done < n) {
        DWORD wrote = 0;
        if (WriteFile(AsHandle(file), bytes + done, static_cast<DWORD>(n - done), &wrote, nullptr) == 0) {
            why = TakeReason();
            break;
        }
        if (wrote == 0) {
            why = ERROR_WRITE_FAULT;
            break;
        }
        done += wrote;
    }
    return done;
}
