// The command line on POSIX systems: bytes as they are, no help switch.
#include "command_line.h"

char** GetArguments(int& /*argc*/, char** argv)
{
    return argv;
}

void UnquoteTypedName(char* /*name*/) {}

SystemSwitch ClassifySwitch(const char* /*arg*/)
{
    return SystemSwitch::None;
}
