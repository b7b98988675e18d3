// The record and its bytes in the file: their encoding and decoding alone.
#ifndef ECRITURE_RECORD_H
#define ECRITURE_RECORD_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

constexpr std::size_t kTamponSize = 80;
constexpr std::size_t kRecordSize = 88;

// One captured entry: two whole numbers and a NUL-terminated text of at most
// 78 bytes. In the file, the numbers are little-endian on every machine.
struct Record {
    std::int32_t numero;
    std::int32_t valeur;
    char tampon[kTamponSize];
};

static_assert(sizeof(Record) == kRecordSize, "a record is 88 bytes");
static_assert(offsetof(Record, numero) == 0, "numero at offset 0");
static_assert(offsetof(Record, valeur) == 4, "valeur at offset 4");
static_assert(offsetof(Record, tampon) == 8, "tampon at offset 8");
static_assert(std::is_trivially_copyable<Record>::value, "copied whole between record and file bytes");

// The record's 88 bytes in the file: numero and valeur as 32-bit
// little-endian two's complement, then the 80 bytes of tampon as they are.
void EncodeRecord(const Record& rec, char (&bytes)[kRecordSize]);

// The record whose file bytes start at bytes (kRecordSize of them).
Record DecodeRecord(const char* bytes);

// The number whose four little-endian bytes start at bytes: a record's
// numero or valeur where it stands, as a listing reads it.
inline std::int32_t DecodeNumber(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) |
        static_cast<std::uint32_t>(b[1]) << 8 | static_cast<std::uint32_t>(b[2]) << 16 |
        static_cast<std::uint32_t>(b[3]) << 24);
}

// Room for a decimal of 64 bits with its sign: a record's numbers, its
// index, a position.
constexpr std::size_t kNumberSize = 20;

// Writes v in decimal at p, kNumberSize bytes at most; returns the byte after.
char* AppendNumber(char* p, long long v);

// The two decimal digits of each number below 100, in turn.
struct DigitPairs {
    char digits[200];
};

constexpr DigitPairs MakeDigitPairs()
{
    DigitPairs pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs.digits[2 * i] = static_cast<char>('0' + i / 10);
        pairs.digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}

inline constexpr DigitPairs kDigitPairs = MakeDigitPairs();

// Writes u, below 10^(2 * Pairs) and 10^8, in decimal at p, which has
// 2 * Pairs bytes of room, with its leading zero when all; returns the byte
// after. One multiplication makes u / 10^(2 * Pairs - 2) a number with 57
// bits after its point: its whole part is the first two digits, and each
// multiplication of what follows the point by 100 brings the next two
// before it. Exact for every u below 10^8, and no division.
template <int Pairs>
inline char* AppendPairs(char* p, std::uint32_t u, bool all)
{
    constexpr int kPoint = 57;
    constexpr std::uint64_t kOne = std::uint64_t{1} << kPoint;
    std::uint64_t below = 1;
    for (int k = 1; k < Pairs; ++k)
        below *= 100;
    std::uint64_t t = u * (kOne / below + 1);
    auto first = static_cast<std::size_t>(t >> kPoint);
    std::size_t skip = first < 10 && !all ? 1 : 0;
    std::memcpy(p, kDigitPairs.digits + 2 * first + skip, 2);
    p += 2 - skip;
    for (int k = 1; k < Pairs; ++k) {
        t = (t & (kOne - 1)) * 100;
        std::memcpy(p, kDigitPairs.digits + 2 * (t >> kPoint), 2);
        p += 2;
    }
    return p;
}

// Writes v in decimal at p, which has kNumberSize bytes of room; returns
// the byte after: a record's number, as a listing writes two a line, in
// the line's own code with no call, by the compilers that can (g++ and
// clang).
[[gnu::always_inline]] inline char* AppendNumber32(char* p, std::int32_t v)
{
    *p = '-';
    p += v < 0 ? 1 : 0;
    std::uint32_t u = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    // Two tests for any number: its pairs of digits are 1 or 2, 3 or 4, 5.
    constexpr std::uint32_t kFour = 10000;
    constexpr std::uint32_t kEight = 100000000;
    if (u < kFour)
        return u < 100 ? AppendPairs<1>(p, u, false) : AppendPairs<2>(p, u, false);
    if (u < kEight)
        return u < 1000000 ? AppendPairs<3>(p, u, false) : AppendPairs<4>(p, u, false);
    return AppendPairs<4>(AppendPairs<1>(p, u / kEight, false), u % kEight, true);
}

// A count from 0 up, in decimal, that goes up by one in place, as a
// listing's index does: its digits are digits[first, kNumberSize), the
// bytes after them room for a copy of fixed size.
struct DecimalCount {
    char digits[2 * kNumberSize];
    std::size_t first;
    long long value;
};

// Starts the count at value, 0 or more.
void StartCount(DecimalCount& count, long long value);

// The count, one more.
inline void CountOne(DecimalCount& count)
{
    std::size_t k = kNumberSize;
    while (k > count.first && count.digits[k - 1] == '9')
        count.digits[--k] = '0';
    if (k == count.first)
        count.digits[--count.first] = '1';
    else
        ++count.digits[k - 1];
    ++count.value;
}

// Writes the count's digits at p, which has kNumberSize bytes of room;
// returns the byte after them.
inline char* AppendCount(char* p, const DecimalCount& count)
{
    std::memcpy(p, count.digits + count.first, kNumberSize);
    return p + (kNumberSize - count.first);
}

#endif
