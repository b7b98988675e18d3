// What a library prints of its own on standard error, kept from the user
// while it works: the program says the library's failures itself, in one
// line of its own, in the user's language. library_quiet.cpp of each
// system's folder.
#ifndef ECRITURE_LIBRARY_QUIET_H
#define ECRITURE_LIBRARY_QUIET_H

// Sends standard error's descriptor to the null device; returns where it
// went before, -1 when it could not be kept (and then nothing changed).
int QuietStandardError();

// Gives standard error back its own, as QuietStandardError kept it.
void RestoreStandardError(int kept);

#endif
