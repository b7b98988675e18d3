// Names on Windows: UTF-8 in the programs, UTF-16 for the system.
#ifndef ECRITURE_WIDE_PATH_H
#define ECRITURE_WIDE_PATH_H

#include "system_reason.h"

#include <cstddef>

// The longest path Windows takes, in UTF-16 units, with its NUL.
constexpr std::size_t kWidePathSize = 32768;

// The UTF-8 name as a full path in UTF-16, prefixed with \\?\ when it is
// too long for the calls that stop at 260 characters. False, with the
// system's last error set, when the name is not valid UTF-8 or too long.
bool ToWidePath(const char* name, wchar_t (&wide)[kWidePathSize]);

// Why the UTF-8 name cannot be a record file or a listed one, told before
// anything is opened: a colon past the drive letter, which names a hidden
// stream of the file before it (x.dat:s), or a name that Windows takes for
// a device (nul.dat, com1.dat give \\.\nul, \\.\com1), unless it was
// written as one (\\.\...). kNoReason when it can be; a console is left to
// the check of the dialogue's streams.
Reason RefuseHiddenName(const char* name);

// After the open: a handle that is not a file on a disk, and that the name
// did not ask for as a device, is refused as one.
bool IsUnaskedDevice(const char* name, void* handle);

// The reasons they give, said in the programs' words.
extern const Reason kIsDevice;
extern const Reason kNamesStream;
extern const Reason kIsFolder;

// Why a file could not be opened by its wide name: a folder, which Windows
// refuses as access denied (read as a matter of rights), said as a folder;
// else why.
Reason FolderOr(const wchar_t* wide, Reason why);

#endif
