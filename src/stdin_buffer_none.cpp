// A C library that keeps its input buffer to itself: every read may wait.
#include "stdin_buffer.h"

std::size_t BufferedInput(std::FILE* /*in*/)
{
    return 0;
}

std::size_t BufferedLines(std::FILE* /*in*/, std::size_t /*most*/)
{
    return 0;
}

std::size_t TakeBufferedLine(std::FILE* /*in*/, char* /*line*/, std::size_t /*most*/)
{
    return 0;
}
