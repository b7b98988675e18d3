#include "record.h"

#include <charconv>
#include <cstddef>
#include <cstring>

namespace {

// Written out byte by byte, which compilers turn into one store or load on
// a little-endian machine and into a byte-swapping one on a big-endian one.
void PutLittleEndian(char* p, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<char>(u);
    p[1] = static_cast<char>(u >> 8);
    p[2] = static_cast<char>(u >> 16);
    p[3] = static_cast<char>(u >> 24);
}

} // namespace

void EncodeRecord(const Record& rec, char (&bytes)[kRecordSize])
{
    PutLittleEndian(bytes, rec.numero);
    PutLittleEndian(bytes + offsetof(Record, valeur), rec.valeur);
    std::memcpy(bytes + offsetof(Record, tampon), rec.tampon, sizeof rec.tampon);
}

char* AppendNumber(char* p, long long v)
{
    // Most values fit in 32 bits, whose divisions cost less.
    if (v >= INT32_MIN && v <= INT32_MAX)
        return AppendNumber32(p, static_cast<std::int32_t>(v));
    return std::to_chars(p, p + kNumberSize, v).ptr;
}

void StartCount(DecimalCount& count, long long value)
{
    char* end = AppendNumber(count.digits, value);
    count.first = kNumberSize - static_cast<std::size_t>(end - count.digits);
    std::memmove(count.digits + count.first, count.digits, kNumberSize - count.first);
    count.value = value;
}

Record DecodeRecord(const char* bytes)
{
    Record rec;
    rec.numero = DecodeNumber(bytes);
    rec.valeur = DecodeNumber(bytes + offsetof(Record, valeur));
    std::memcpy(rec.tampon, bytes + offsetof(Record, tampon), sizeof rec.tampon);
    return rec;
}
