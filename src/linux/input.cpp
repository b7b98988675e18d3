// Standard input on Linux: the bytes as the pipe, the file or the terminal
// gives them.
#include "input.h"
#include "listed_file.h"

long long ReadInput(FileHandle file, InputState& /*state*/, char* to, std::size_t n, Reason& why)
{
    return ReadSome(file, to, n, why);
}
