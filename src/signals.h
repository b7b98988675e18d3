// The signals that would end a run in the middle of its writes.
// signals.cpp of each system's folder.
#ifndef ECRITURE_SIGNALS_H
#define ECRITURE_SIGNALS_H

// Readies the process for its writes: a write past a file size limit, or
// to a pipe whose reader has gone, fails with its reason instead of killing
// the run, mid-record or before the records read are flushed. Nothing to do
// where no signal does that.
void IgnoreWriteSignals();

// Around a hold's writes and their take-back: Ctrl-C, a hang-up or a
// termination asked meanwhile waits for the hold to end, so that no part
// of a record stays where a take-back was due. Held once; released by the
// next ReleaseInterrupts, which puts back the mask the hold found and so
// lets what was asked meanwhile end the run, unless whoever started the run
// had blocked it.
void HoldInterrupts();
void ReleaseInterrupts();

// Ends the run as a write to a closed pipe ends a filter: by SIGPIPE where
// there is one (status 141 in a shell), else with 141.
[[noreturn]] void EndAsClosedPipe();

#endif
