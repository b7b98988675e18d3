// What the fuzz targets share: a scratch file of their own, and the text an
// in-memory stream collected.
#ifndef ECRITURE_FUZZ_FILES_H
#define ECRITURE_FUZZ_FILES_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

[[noreturn]] inline void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "fuzz: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// A new file of the process's own, so that parallel fuzzing jobs do not
// share it; removed at exit.
inline std::string MakeScratch()
{
    char name[] = "/tmp/ecriture_fuzz.XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        Fail("cannot create the scratch file", name);
    close(fd);
    return name;
}

// The file a target writes to or lists.
inline const std::string& ScratchPath()
{
    static const std::string path = MakeScratch();
    static const int removed = std::atexit([] { unlink(path.c_str()); });
    (void)removed;
    return path;
}

// The file the capture target reads its input from.
inline const std::string& InputPath()
{
    static const std::string path = MakeScratch();
    static const int removed = std::atexit([] { unlink(path.c_str()); });
    (void)removed;
    return path;
}

// Closes an open_memstream stream and gives what it collected.
inline std::string Take(std::FILE* stream, char*& buffer, std::size_t& size)
{
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

#endif
