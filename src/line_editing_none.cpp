// No line editor in this build: the console is read as the terminal, or on
// Windows the console with its own editing, gives it.
#include "line_editing.h"

bool StartLineEditing()
{
    return false;
}

std::size_t ReadEditedLine(std::string_view /*prompt*/, char* line, std::size_t /*size*/, std::FILE* /*out*/)
{
    line[0] = '\0';
    return 0;
}

std::size_t DropEditedLine()
{
    return 0;
}
