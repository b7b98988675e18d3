#include "record.h"
#include "text_pass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// A text's length is strnlen's, its NUL at any of the 80 places or none,
// between bytes of every kind, each record of a block measured on its own.
TEST(MeasureTexts, AsStrnlenAtEveryPlace)
{
    std::string block;
    for (std::size_t nul = 0; nul <= kTamponSize; ++nul) {
        std::string record(kRecordSize, '\0');
        for (std::size_t k = 0; k < kRecordSize; ++k)
            record[k] = static_cast<char>(1 + (k * 37 + nul) % 255);
        if (nul < kTamponSize)
            record[offsetof(Record, tampon) + nul] = '\0';
        // A second NUL after the first, which must not count.
        if (nul + 20 < kTamponSize)
            record[offsetof(Record, tampon) + nul + 20] = '\0';
        block += record;
    }
    std::size_t count = block.size() / kRecordSize;
    std::vector<TextLook> looks(count);
    MeasureTexts(block.data() + offsetof(Record, tampon), kRecordSize, count, looks.data());
    for (std::size_t r = 0; r < count; ++r)
        EXPECT_EQ(
            looks[r].size, strnlen(block.data() + r * kRecordSize + offsetof(Record, tampon), kTamponSize))
            << r;
}
