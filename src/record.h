// The record and its bytes in the file: their encoding and decoding alone.
#ifndef ECRITURE_RECORD_H
#define ECRITURE_RECORD_H

#include <cstddef>
#include <cstdint>
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

// Room for a decimal of 64 bits with its sign: a record's numbers, its
// index, a position.
constexpr std::size_t kNumberSize = 20;

// Writes v in decimal at p, kNumberSize bytes at most; returns the byte after.
char* AppendNumber(char* p, long long v);

#endif
