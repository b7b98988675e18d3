// The time a run has taken, as the system counts it from a start of its
// own; clock.cpp of each system's folder.
#ifndef ECRITURE_CLOCK_H
#define ECRITURE_CLOCK_H

// Milliseconds on a clock that no change of the time of day moves.
long long MonotonicMilliseconds();

#endif
