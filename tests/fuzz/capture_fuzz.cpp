// libFuzzer target: any bytes, as the console input of the capture loop, from
// the first "Saisie numero :" on, with the record file open on a temporary
// file. Besides the sanitizers' checks, every run must end, write 88 bytes
// per "88 Bytes écrits" reported and nothing else, and show each record as
// it was written: the position before it, then its numbers and its text.
#include "dialogue.h"
#include "ecriture.h"
#include "listed_file.h"
#include "record.h"

#include "fuzz_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char kSeparator[] = "-----------------------\n";
const char kPrompts[] = "Saisie numero :Saisie valeur :Saisie Tampon :";

std::string Position(std::size_t at)
{
    return "Position actuelle dans le fichier " + std::to_string(at) + "\n";
}

// What the console shows for a record that reached the file as `rec`.
std::string Shown(std::size_t at, const Record& rec)
{
    return Position(at) + kPrompts + std::to_string(rec.numero) + "\n" + std::to_string(rec.valeur) + "\n" +
        std::string(rec.tampon, strnlen(rec.tampon, sizeof rec.tampon)) + "\n" + kSeparator +
        "Encoder un autre (Y/N) ?)";
}

// After the last record written: nothing, or the prompts of a record that the
// end of the input cut short.
bool IsCutRecord(const std::string& tail, std::size_t at)
{
    if (tail.empty())
        return true;
    std::string begun = Position(at);
    for (std::size_t prompt = 1; prompt <= 3; ++prompt)
        if (tail == begun + std::string(kPrompts, 15 * prompt))
            return true;
    return false;
}

std::string ReadAll(const char* path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
            bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

constexpr char kCutShort[] = "ecriture: the input ended inside a record; it was not written\n";

// The reports without the lines that say an answer was cut to its field,
// or a record cut short by the end of the input.
std::string WithoutCuts(const std::string& reported)
{
    std::string kept;
    for (std::size_t at = 0, end; at < reported.size(); at = end + 1) {
        end = reported.find('\n', at);
        std::string line = reported.substr(at, end - at + 1);
        if (line.rfind("ecriture: number line longer than 79 bytes", 0) != 0 &&
            line.rfind("ecriture: text longer than 78 bytes: cut to ", 0) != 0 &&
            line != "ecriture: text holds a NUL byte: the rest of its line is dropped\n" && line != kCutShort)
            kept += line;
    }
    return kept;
}

void CheckRun(const std::string& file, const std::string& shown, const std::string& reported, int lost)
{
    // The one failure a run on a file may have: a record cut short, said last.
    bool cutShort = reported.size() >= sizeof kCutShort - 1 &&
        reported.compare(reported.size() - (sizeof kCutShort - 1), std::string::npos, kCutShort) == 0;
    if (lost != (cutShort ? 1 : 0) || file.size() % kRecordSize != 0)
        Fail("a record did not reach the file whole", std::to_string(file.size()));
    std::size_t records = file.size() / kRecordSize;
    std::string reports;
    for (std::size_t k = 0; k < records; ++k)
        reports += "88 Bytes écrits\n";
    if (WithoutCuts(reported) != reports)
        Fail("the reports do not match the file", reported);
    std::string expected;
    for (std::size_t k = 0; k < records; ++k) {
        Record rec = DecodeRecord(file.data() + k * kRecordSize);
        if (strnlen(rec.tampon, sizeof rec.tampon) > kTextMost)
            Fail("a text was written longer than a record holds", std::to_string(k));
        expected += Shown(k * kRecordSize, rec);
    }
    if (shown.compare(0, expected.size(), expected) != 0 ||
        !IsCutRecord(shown.substr(expected.size()), file.size()))
        Fail("the console does not show what was written", shown);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* path = ScratchPath().c_str();
    if (truncate(path, 0) != 0)
        Fail("cannot empty the record file", path);
    // As the system gives it, in blocks: the input may be longer than one.
    const std::string& given = InputPath();
    if (std::FILE* f = std::fopen(given.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        if (std::fclose(f) != 0)
            Fail("cannot write the input", given);
    }
    Reason opened = kNoReason;
    static Input in;
    OpenInput(in, OpenListedFile(given.c_str(), opened));
    char* out_buffer = nullptr;
    char* err_buffer = nullptr;
    std::size_t out_size = 0;
    std::size_t err_size = 0;
    std::FILE* out = open_memstream(&out_buffer, &out_size);
    std::FILE* err = open_memstream(&err_buffer, &err_size);
    bool created = false;
    Reason why = kNoReason;
    FileHandle file = OpenRecordFile(path, created, why);
    if (in.file == kNoFile || out == nullptr || err == nullptr || file == kNoFile)
        Fail("cannot set up the run", path);
    int lost = CaptureRecords(file, path, Console::Piped, in, out, err);
    if (CloseFile(file) != kNoReason)
        Fail("cannot close the record file", path);
    (void)CloseFile(in.file);
    std::string shown = Take(out, out_buffer, out_size);
    std::string reported = Take(err, err_buffer, err_size);
    CheckRun(ReadAll(path), shown, reported, lost);
    return 0;
}
