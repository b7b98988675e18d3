// Standard input on Linux: bytes as the system gives them, nothing to decode.
#ifndef ECRITURE_INPUT_STATE_H
#define ECRITURE_INPUT_STATE_H

struct InputState {
    // Lines read in another encoding than their own, and bytes left unread
    // after a Ctrl-Z: never, on Linux.
    bool recoded;
    long long afterCtrlZ;
};

#endif
