#include "list_format.h"
#include "record.h"
#include "record_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A block of records whose texts are of each kind a line meets: plain,
// changed, quoted in CSV, not valid UTF-8, empty, and now and then
// without its NUL; numbers of every length and sign.
std::string Records(std::size_t count)
{
    static const char* const kTexts[] = {
        "facture reçue", "n° 12, 3,50 €", "\"ok\"", "caf\xe9", "", "a\tb\\", "« oui »\xe2\x80\xa8"};
    std::string block;
    for (std::size_t r = 0; r < count; ++r) {
        auto k = static_cast<std::int32_t>(r);
        Record rec{k * 7919 - 40000, k * -104729, {}};
        std::string text = r % 23 == 22 ? std::string(kTamponSize, 'x') : kTexts[r % 7];
        std::copy(text.begin(), text.end(), rec.tampon);
        char bytes[kRecordSize];
        EncodeRecord(rec, bytes);
        block.append(bytes, kRecordSize);
    }
    return block;
}

// The lines of the records, one at a time, the first shown as index 5.
std::string OneAtATime(const LineForm& form, const std::string& block, const std::vector<TextLook>& looks,
    const std::vector<TextMarks>& marks)
{
    std::string lines;
    DecimalCount index{};
    StartCount(index, 5);
    for (std::size_t r = 0; r < looks.size(); ++r) {
        std::string line(LineRoom(0), '#');
        char* end = FormatRecordLine(line.data(), form, nullptr, index, block.data() + r * kRecordSize,
            LookedText{looks[r], &marks[r]});
        lines.append(line.data(), static_cast<std::size_t>(end - line.data()));
        CountOne(index);
    }
    return lines;
}

} // namespace

// Lines made many at a time, in room for three at their longest, are those
// made one at a time: each stops where the room ends and before a text
// without its NUL, which then goes alone, and the index goes on.
TEST(FormatRecordLines, AsOneLineAtATime)
{
    constexpr std::size_t kCount = 200;
    std::string block = Records(kCount);
    for (ListFormat format : {ListFormat::Tsv, ListFormat::Csv, ListFormat::Json}) {
        for (bool hex : {false, true}) {
            LineForm form{format, hex, "\r\n", 2};
            std::vector<TextLook> looks(kCount);
            std::vector<TextMarks> marks(kCount);
            LookAtTexts(TextOf(format), block.data(), kCount, looks.data(), marks.data());
            std::string lines;
            DecimalCount index{};
            StartCount(index, 5);
            std::vector<char> room(3 * kLineRoom);
            for (std::size_t r = 0; r < kCount;) {
                char* at = room.data();
                std::size_t made = FormatRecordLines(at, room.data() + room.size(), form, index,
                    block.data() + r * kRecordSize, looks.data() + r, marks.data() + r, kCount - r);
                ASSERT_TRUE(made > 0 || looks[r].size == kTamponSize) << r;
                for (std::size_t k = r; k < r + made; ++k)
                    ASSERT_LT(looks[k].size, kTamponSize) << k;
                if (made == 0) {
                    at = FormatRecordLine(room.data(), form, nullptr, index, block.data() + r * kRecordSize,
                        LookedText{looks[r], &marks[r]});
                    CountOne(index);
                    made = 1;
                }
                lines.append(room.data(), static_cast<std::size_t>(at - room.data()));
                r += made;
            }
            EXPECT_EQ(lines, OneAtATime(form, block, looks, marks)) << static_cast<int>(format) << hex;
        }
    }
}
