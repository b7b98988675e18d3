#include "ecriture.h"

#include "dialogue.h"
#include "record.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kStatusOpenFailed = 1;
constexpr int kStatusDataLost = 255;

// A closed standard descriptor would be handed to the record file, and the
// dialogue written to it would corrupt the records.
bool KeepStandardFdsOpen()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && (errno != EBADF || open("/dev/null", O_RDWR) != fd))
            return false;
    return true;
}

} // namespace

int AskRecordFile(std::FILE* in, std::FILE* out, std::FILE* err)
{
    char nom[kLineSize] = {};
    PutLiteral(out, "Le nom de fichier à creer :)");
    ReadTextLine(in, nom);
    int fd = OpenRecordFile(nom);
    if (fd < 0)
        PutLiteral(err, "Echec Ouverture\n");
    else
        PutLiteral(err, "Ouverture reussie \n");
    return fd;
}

int CaptureRecords(int fd, std::FILE* in, std::FILE* out, std::FILE* err)
{
    // Not cleared between records: a shorter text leaves the tail of a longer one.
    Record rec{};
    int lost = 0;
    int answer = 'y';
    while (answer == 'Y' || answer == 'y') {
        PutNumberLine(out, "Position actuelle dans le fichier ", QueryPosition(fd), "\n");
        if (!SaiSieRecord(rec, in, out))
            break;
        std::size_t written = WriteRecord(fd, rec);
        PutNumberLine(err, "", static_cast<long long>(written), " Bytes écrits\n");
        if (written != sizeof rec)
            ++lost;
        PutLiteral(out, "Encoder un autre (Y/N) ?)");
        answer = ReadChar(in);
    }
    return lost;
}

bool CheckConsole(std::FILE* in, std::FILE* out, std::FILE* err)
{
    bool ok = true;
    if (std::ferror(in)) {
        PutLiteral(err, "ecriture: read error on standard input\n");
        ok = false;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        PutLiteral(err, "ecriture: write error on standard output\n");
        ok = false;
    }
    return ok;
}

int main()
{
    if (!KeepStandardFdsOpen())
        return kStatusDataLost;
    int fd = AskRecordFile(stdin, stdout, stderr);
    if (fd < 0)
        return kStatusOpenFailed;
    int lost = CaptureRecords(fd, stdin, stdout, stderr);
    bool closed = CloseRecordFile(fd);
    bool console = CheckConsole(stdin, stdout, stderr);
    return lost == 0 && closed && console ? 0 : kStatusDataLost;
}
