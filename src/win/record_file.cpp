// The record file on Windows, through the Win32 API.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "record_file.h"
#include "wide_path.h"

#include <windows.h>

namespace {

// The common code carries a HANDLE as an integer, as it carries a descriptor.
HANDLE AsHandle(FileHandle file)
{
    return reinterpret_cast<HANDLE>(file); // NOLINT(performance-no-int-to-ptr)
}

FileHandle FromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

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
    if (!ToWidePath(nom, wide)) {
        why = TakeReason();
        return kNoFile;
    }
    // Append access without write access makes the system put every write at
    // the end of the file, as O_APPEND does; read access lets it be locked.
    HANDLE file = CreateFileW(wide, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    why = file == INVALID_HANDLE_VALUE ? TakeReason() : kNoReason;
    created = file != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
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

void PrepareRecordWrites() {}

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

bool IsRegularFile(FileHandle file, Reason& why)
{
    DWORD type = GetFileType(AsHandle(file));
    why = type == FILE_TYPE_UNKNOWN ? TakeReason() : kNoReason;
    return type == FILE_TYPE_DISK;
}

Dialogue DialogueOf(FileHandle file)
{
    static const DWORD kHandles[] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE, STD_INPUT_HANDLE};
    static const Dialogue kStreams[] = {Dialogue::Output, Dialogue::Error, Dialogue::Input};
    // A console, which the dialogue reads and writes (CON, CONOUT$, CONIN$):
    // the stream's when a stream is on it, else the run's terminal.
    DWORD mode = 0;
    if (GetConsoleMode(AsHandle(file), &mode) != 0) {
        for (int k = 0; k < 3; ++k)
            if (GetConsoleMode(GetStdHandle(kHandles[k]), &mode) != 0)
                return kStreams[k];
        return Dialogue::Terminal;
    }
    BY_HANDLE_FILE_INFORMATION record;
    Reason why = kNoReason;
    if (!IsRegularFile(file, why) || GetFileInformationByHandle(AsHandle(file), &record) == 0)
        return Dialogue::None;
    for (int k = 0; k < 3; ++k) {
        HANDLE handle = GetStdHandle(kHandles[k]);
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != 0 &&
            info.dwVolumeSerialNumber == record.dwVolumeSerialNumber &&
            info.nFileIndexHigh == record.nFileIndexHigh && info.nFileIndexLow == record.nFileIndexLow)
            return kStreams[k];
    }
    return Dialogue::None;
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

FileHandle OpenListedFile(const char* name, Reason& why)
{
    wchar_t wide[kWidePathSize];
    HANDLE file = INVALID_HANDLE_VALUE;
    // Listed or followed, the file stays its owner's to write, rename and
    // delete: a deleted or renamed file is read to its end.
    if (ToWidePath(name, wide))
        file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    why = file == INVALID_HANDLE_VALUE ? TakeReason() : kNoReason;
    return FromHandle(file);
}

FileHandle StandardInput()
{
    return FromHandle(GetStdHandle(STD_INPUT_HANDLE));
}

long long ReadSome(FileHandle file, char* buffer, std::size_t n, Reason& why)
{
    DWORD got = 0;
    why = kNoReason;
    if (ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, nullptr) != 0)
        return got;
    why = TakeReason();
    // The writer of a pipe has closed it: the end of the input, not an error.
    if (why == ERROR_BROKEN_PIPE) {
        why = kNoReason;
        return 0;
    }
    return -1;
}

Reason SeekTo(FileHandle file, long long offset)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return SetFilePointerEx(AsHandle(file), at, nullptr, FILE_BEGIN) != 0 ? kNoReason : TakeReason();
}

long long ReadAt(FileHandle file, long long offset, char* buffer, std::size_t n, Reason& why)
{
    // A read at an offset moves a synchronous handle's position: it is put back.
    LARGE_INTEGER zero = {};
    LARGE_INTEGER was;
    if (SetFilePointerEx(AsHandle(file), zero, &was, FILE_CURRENT) == 0) {
        why = TakeReason();
        return -1;
    }
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    bool read = ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, &at) != 0;
    why = read || GetLastError() == ERROR_HANDLE_EOF ? kNoReason : TakeReason();
    Reason back = SeekTo(file, was.QuadPart);
    why = why != kNoReason ? why : back;
    return why == kNoReason ? got : -1;
}

bool MeansNoSuchFile(Reason why)
{
    return why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND;
}

Reason CloseFile(FileHandle file)
{
    return CloseHandle(AsHandle(file)) != 0 ? kNoReason : TakeReason();
}
