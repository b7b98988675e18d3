// Names on Windows: UTF-8 in the programs, UTF-16 for the system.
#ifndef ECRITURE_WIDE_PATH_H
#define ECRITURE_WIDE_PATH_H

#include <cstddef>

// The longest path Windows takes, in UTF-16 units, with its NUL.
constexpr std::size_t kWidePathSize = 32768;

// The UTF-8 name as a full path in UTF-16, prefixed with \\?\ when it is
// too long for the calls that stop at 260 characters. False, with the
// system's last error set, when the name is not valid UTF-8 or too long.
bool ToWidePath(const char* name, wchar_t (&wide)[kWidePathSize]);

#endif
