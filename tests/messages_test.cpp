#include "messages.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Said(const std::string& name, const char* more)
{
    std::FILE* err = std::tmpfile();
    PutMessage(err, "ecriture", name.c_str(), "cannot lock the file", more);
    return Contents(err);
}

} // namespace

TEST(PutMessage, ALongNameLeavesRoomForWhatIsSaid)
{
    // One line at most kMessageSize bytes: a name past half of it is cut,
    // and says so, before what is said of it.
    std::string said = Said(std::string(5000, 'n'), "Resource busy");
    EXPECT_LE(said.size(), kMessageSize);
    EXPECT_EQ(said.substr(said.size() - 41), "...: cannot lock the file: Resource busy\n");
    EXPECT_EQ(Said("r.dat", nullptr), "ecriture: r.dat: cannot lock the file\n");
    EXPECT_EQ(Said("a\nb", "x\x1b"), "ecriture: a\\x0ab: cannot lock the file: x\\x1b\n");
}
