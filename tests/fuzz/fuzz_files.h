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

// A file of its own per process, so that parallel fuzzing jobs do not share
// it; removed at exit.
inline const std::string& ScratchPath()
{
    static std::string path;
    if (path.empty()) {
        char name[] = "/tmp/ecriture_fuzz.XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0)
            Fail("cannot create the scratch file", name);
        close(fd);
        path = name;
        std::atexit([] { unlink(path.c_str()); });
    }
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
