#include "ecriture.h"

#include "dialogue.h"
#include "record.h"

FileHandle AskRecordFile(std::FILE* in, std::FILE* out, std::FILE* err)
{
    char nom[kLineSize] = {};
    PutLiteral(out, "Le nom de fichier à creer :)");
    ReadTextLine(in, nom);
    FileHandle file = OpenRecordFile(nom);
    if (file == kNoFile)
        PutLiteral(err, "Echec Ouverture\n");
    else
        PutLiteral(err, "Ouverture reussie \n");
    return file;
}

int CaptureRecords(FileHandle file, std::FILE* in, std::FILE* out, std::FILE* err)
{
    // Not cleared between records: a shorter text leaves the tail of a longer one.
    Record rec{};
    int lost = 0;
    int answer = 'y';
    while (answer == 'Y' || answer == 'y') {
        PutNumberLine(out, "Position actuelle dans le fichier ", QueryPosition(file), "\n");
        if (!SaiSieRecord(rec, in, out))
            break;
        std::size_t written = WriteRecord(file, rec);
        // The usual report goes out as it stands: formatting it for every
        // record would cost more than the rest of the loop's own work.
        if (written == sizeof rec) {
            PutLiteral(err, "88 Bytes écrits\n");
        } else {
            PutNumberLine(err, "", static_cast<long long>(written), " Bytes écrits\n");
            ++lost;
        }
        PutLiteral(out, "Encoder un autre (Y/N) ?)");
        answer = ReadChar(in);
    }
    return lost;
}

bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err)
{
    bool ok = true;
    if (std::ferror(in) != 0) {
        PutLiteral(err, "ecriture: read error on standard input\n");
        ok = false;
    }
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        PutLiteral(err, "ecriture: write error on standard output\n");
        ok = false;
    }
    return ok;
}
