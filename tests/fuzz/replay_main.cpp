// Runs the fuzz target once on each file named, or on each file of each
// directory named: the seed corpus and past findings, as a regression test in
// every build, with any compiler.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool ReplayFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    bool read = std::ferror(f) == 0;
    std::fclose(f);
    if (read)
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return read;
}

// The number of files replayed, or -1 when one could not be read.
int ReplayPath(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return ReplayFile(path) ? 1 : -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        name.insert(0, path + "/");
        if (!ReplayFile(name)) {
            count = -1;
            break;
        }
        ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    int total = 0;
    for (int i = 1; i < argc; ++i) {
        int count = ReplayPath(argv[i]);
        if (count < 0) {
            std::fprintf(stderr, "replay: cannot read %s\n", argv[i]);
            return 1;
        }
        total += count;
    }
    std::printf("replay: %d inputs, all passed\n", total);
    return total > 0 ? 0 : 1;
}
