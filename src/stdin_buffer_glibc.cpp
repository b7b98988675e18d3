// The GNU C library's input buffer. The assumption: a FILE's bytes read from
// the system and not yet handed out lie between _IO_read_ptr and
// _IO_read_end, and taking some moves _IO_read_ptr on, as getc itself does
// and as gnulib's freadahead and freadseek do; the C library has no call for
// it. The unit test of this file fails if that ever changes.
#include "stdin_buffer.h"

#include <cstring>

std::size_t BufferedInput(std::FILE* in)
{
    return static_cast<std::size_t>(in->_IO_read_end - in->_IO_read_ptr);
}

std::size_t BufferedLines(std::FILE* in, std::size_t most)
{
    std::size_t lines = 0;
    const char* end = in->_IO_read_end;
    for (const char* at = in->_IO_read_ptr; lines < most && at < end; ++lines) {
        at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (at == nullptr)
            break;
        ++at;
    }
    return lines;
}

std::size_t TakeBufferedLine(std::FILE* in, char* line, std::size_t most)
{
    // Before the first read the stream has no buffer at all.
    std::size_t held = BufferedInput(in);
    if (held == 0)
        return 0;
    const char* at = in->_IO_read_ptr;
    std::size_t n = held < most ? held : most;
    const void* end = std::memchr(at, '\n', n);
    if (end != nullptr)
        n = static_cast<std::size_t>(static_cast<const char*>(end) - at) + 1;
    else if (held < most)
        return 0;
    std::memcpy(line, at, n);
    in->_IO_read_ptr += n;
    return n;
}
