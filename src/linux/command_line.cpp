// The command line on POSIX systems: bytes as they are, no help switch.
#include "command_line.h"

char** GetArguments(int& /*argc*/, char** argv)
{
    return argv;
}

int ExpandWildcards(CommandLine& /*line*/, int /*first*/)
{
    return 0;
}

void UnquoteTypedName(char* /*name*/) {}

SystemSwitch ClassifySwitch(const char* /*arg*/)
{
    return SystemSwitch::None;
}
