// The common code carries a HANDLE as an integer, as it carries a
// descriptor on POSIX: the two ways between them.
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

#endif
