#include "record.h"

#include <cstddef>
#include <cstring>

namespace {

void PutLittleEndian(char* p, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>(u >> (8 * i));
}

std::int32_t GetLittleEndian(const char* p)
{
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = u << 8 | static_cast<unsigned char>(p[i]);
    return static_cast<std::int32_t>(u);
}

} // namespace

void EncodeRecord(const Record& rec, char (&bytes)[kRecordSize])
{
    PutLittleEndian(bytes, rec.numero);
    PutLittleEndian(bytes + offsetof(Record, valeur), rec.valeur);
    std::memcpy(bytes + offsetof(Record, tampon), rec.tampon, sizeof rec.tampon);
}

Record DecodeRecord(const char* bytes)
{
    Record rec;
    rec.numero = GetLittleEndian(bytes);
    rec.valeur = GetLittleEndian(bytes + offsetof(Record, valeur));
    std::memcpy(rec.tampon, bytes + offsetof(Record, tampon), sizeof rec.tampon);
    return rec;
}

std::size_t WriteRecord(FileHandle file, const Record& rec)
{
    char bytes[kRecordSize];
    EncodeRecord(rec, bytes);
    return WriteWhole(file, bytes, sizeof bytes);
}
