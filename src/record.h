// The record and the file it is appended to.
#ifndef ECRITURE_RECORD_H
#define ECRITURE_RECORD_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

constexpr std::size_t kTamponSize = 80;
constexpr std::size_t kRecordSize = 88;

// One captured entry. Its bytes in memory are its bytes in the file: two
// little-endian 32-bit integers, then a NUL-terminated text of at most 78 bytes.
struct Record {
    std::int32_t numero;
    std::int32_t valeur;
    char tampon[kTamponSize];
};

static_assert(sizeof(Record) == kRecordSize, "a record is 88 bytes");
static_assert(offsetof(Record, numero) == 0, "numero at offset 0");
static_assert(offsetof(Record, valeur) == 4, "valeur at offset 4");
static_assert(offsetof(Record, tampon) == 8, "tampon at offset 8");
static_assert(std::is_trivially_copyable<Record>::value, "written byte for byte");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the file is little-endian");

// Opens or creates the file for appending (never truncated, mode 0666 less
// the umask) and stands at its end. Returns the descriptor, or -1.
int OpenRecordFile(const char* nom);

// Where the next record will start; -1 when the file has no position (a pipe).
long long QueryPosition(int fd);

// Appends the record's 88 bytes in one write, retrying only the rest of a
// short write. Returns how many bytes reached the file: 88, or fewer on failure.
std::size_t WriteRecord(int fd, const Record& rec);

// False when the close reports an error.
bool CloseRecordFile(int fd);

#endif
