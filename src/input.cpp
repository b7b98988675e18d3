#include "input.h"

#include <algorithm>
#include <cstring>

namespace {

// Leaves out a UTF-8 byte-order mark that the input's first bytes begin with.
void SkipByteOrderMark(Input& in)
{
    if (in.started)
        return;
    in.started = true;
    if (in.end - in.next >= 3 && std::memcmp(in.bytes + in.next, "\xef\xbb\xbf", 3) == 0)
        in.next += 3;
}

// Reads the next block, once the last is taken; false when nothing came.
bool FillInput(Input& in)
{
    in.next = 0;
    in.end = 0;
    if (in.ended || in.file == kNoFile) {
        in.ended = true;
        return false;
    }
    long long n = ReadInput(in.file, in.state, in.bytes, sizeof in.bytes, in.failed);
    in.ended = n <= 0;
    in.end = n > 0 ? static_cast<std::size_t>(n) : 0;
    SkipByteOrderMark(in);
    return in.next < in.end || (!in.ended && FillInput(in));
}

} // namespace

void OpenInput(Input& in, FileHandle file)
{
    in.file = file;
    in.state = InputState{};
    in.next = 0;
    in.end = 0;
    in.ended = false;
    in.failed = kNoReason;
    in.started = false;
    in.textCr = false;
    in.nameCr = false;
}

void OpenInputOn(Input& in, const char* bytes, std::size_t n)
{
    OpenInput(in, kNoFile);
    in.end = std::min(n, sizeof in.bytes);
    std::memcpy(in.bytes, bytes, in.end);
    SkipByteOrderMark(in);
}

std::size_t ReadLine(Input& in, char* line, std::size_t size)
{
    std::size_t n = 0;
    for (bool whole = false; !whole && n + 1 < size && (in.next < in.end || FillInput(in));) {
        const char* at = in.bytes + in.next;
        std::size_t room = std::min(size - 1 - n, in.end - in.next);
        const void* lineEnd = std::memchr(at, '\n', room);
        std::size_t taken = lineEnd != nullptr ? static_cast<const char*>(lineEnd) - at + 1 : room;
        std::memcpy(line + n, at, taken);
        n += taken;
        in.next += taken;
        whole = lineEnd != nullptr;
    }
    line[n] = '\0';
    return n;
}

std::size_t DropLine(Input& in)
{
    std::size_t dropped = 0;
    while (in.next < in.end || FillInput(in)) {
        const char* at = in.bytes + in.next;
        const void* lineEnd = std::memchr(at, '\n', in.end - in.next);
        if (lineEnd != nullptr) {
            std::size_t before = static_cast<const char*>(lineEnd) - at;
            in.next += before + 1;
            return dropped + before;
        }
        dropped += in.end - in.next;
        in.next = in.end;
    }
    return dropped;
}

std::size_t LinesInHand(const Input& in, std::size_t most)
{
    if (in.ended || in.file == kNoFile)
        return most;
    std::size_t lines = 0;
    for (const char* at = in.bytes + in.next; lines < most; ++lines, ++at) {
        at =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(in.bytes + in.end - at)));
        if (at == nullptr)
            break;
    }
    return lines;
}
