// The common code carries a HANDLE as an integer, as it carries a
// descriptor on POSIX: the two ways between them, and a file's identity.
#ifndef ECRITURE_HANDLES_H
#define ECRITURE_HANDLES_H

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

inline HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle); // NOLINT(performance-no-int-to-ptr)
}

inline std::intptr_t FromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

// True when the two open handles are of one file: its volume and its index
// there.
inline bool IsSameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION one;
    BY_HANDLE_FILE_INFORMATION other;
    return GetFileInformationByHandle(a, &one) != 0 && GetFileInformationByHandle(b, &other) != 0 &&
        one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
        one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

#endif
