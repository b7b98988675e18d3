#include "ecriture.h"

#include "append.h"
#include "catalogue.h"
#include "command_line.h"
#include "console.h"
#include "messages.h"
#include "record.h"
#include "standard_streams.h"

#include <cstring>

namespace {

// A run's capture as it goes.
struct Capture {
    const char* nom;
    Console console;
    Input& in;
    std::FILE* out;
    std::FILE* err;
    AgreedLock lock;
    // Not cleared between records: a shorter text leaves the tail of a longer one.
    Record rec;
    int failures;
};

// A record read ahead with its answer, for a batch.
struct Entered {
    Notes notes;
    // How many of its three lines were read: 3 when it is whole.
    int lines;
    int answer;
};

// The records of a batch, read ahead and appended under one hold.
struct Batch {
    Entered entered[kBatchMost];
    Pending records[kBatchMost];
};

// The input ended after some of a record's lines: a script must be able to
// tell that it was cut. Returns EOF, the answer that ends the run.
int EndInsideRecord(Capture& run, int lines)
{
    if (lines > 0) {
        PutMessage(run.err, kCaptureProgram, nullptr, "the input ended inside a record; it was not written");
        ++run.failures;
    }
    return EOF;
}

// Takes one record as the dialogue goes: its position, its reads, its
// append under a hold of its own, its report, the answer. Returns the
// answer, or EOF once the input has ended or nothing more may be appended.
int CaptureOne(Capture& run)
{
    Reason why = kNoReason;
    PutShown(run.out, Shown::Position, Shown::Numero, run.rec, FileLength(run.lock.file, why));
    if (int lines = SaiSieRecord(run.rec, run.console, run.in, run.out, run.err); lines < 3)
        return EndInsideRecord(run, lines);
    Pending record{run.rec, -1, 0, kNoReason, kNoReason, kNoReason, false, -1};
    Hold hold = StartHold(run.lock, run.console, &record, 1);
    run.failures += AppendRecords(run.lock, hold, run.err);
    // A person reads the echo before its report, wherever the dialogue goes
    // (ecriture f.dat | tee dialogue.log): the lock is free by now.
    if (run.console != Console::Piped)
        FlushOutput(run.out);
    run.failures += ReportAppended(record, run.nom, run.err);
    return hold.stopped ? EOF : ReadChar(PromptOf(Shown::Another), run.console, run.in, run.out);
}

// Reads ahead the records that the input holds whole, at most most, each
// with its answer, until one that does not go on or the end of the input;
// returns how many, the last one maybe cut short.
std::size_t ReadAhead(Capture& run, Batch& batch, std::size_t most)
{
    std::size_t n = 0;
    for (int answer = 'y'; n < most && (answer == 'Y' || answer == 'y'); ++n) {
        Entered& e = batch.entered[n];
        e.lines = ReadRecord(run.rec, e.notes, Console::Piped, run.in, nullptr, nullptr);
        batch.records[n].rec = run.rec;
        answer = e.answer =
            e.lines == 3 ? ReadChar(PromptOf(Shown::Another), Console::Piped, run.in, nullptr) : EOF;
    }
    return n;
}

// Shows the record's prompts up to its echo into one log of both streams,
// each note after the prompt of the line it is about, as at a terminal.
void ShowPromptsInPlace(Capture& run, const Notes& notes, const Pending& record)
{
    constexpr Shown kAfterLine[] = {Shown::Valeur, Shown::Tampon, Shown::Echo};
    Shown from = Shown::Position;
    for (int line = 0; line < 3; ++line) {
        Notes one = NotesOfLine(notes, line);
        if (!one.numeroCut && !one.valeurCut && !one.textCut && !one.textNul)
            continue;
        PutShown(run.out, from, kAfterLine[line], record.rec, record.at);
        SayNotes(one, run.err);
        from = kAfterLine[line];
    }
    PutShown(run.out, from, Shown::Echo, record.rec, record.at);
}

// Shows the record of a batch as the dialogue would have, with its notes
// and its report: the prompt to go on too, unless it is the last shown.
// Into one log of both streams, each in its place, as at a terminal.
void ShowAppended(Capture& run, const Entered& entered, const Pending& record, bool last)
{
    bool inPlace = run.err == run.out;
    if (inPlace) {
        ShowPromptsInPlace(run, entered.notes, record);
        PutShown(run.out, Shown::Echo, Shown::Another, record.rec, record.at);
    } else {
        PutShown(run.out, Shown::Position, last ? Shown::Another : Shown::End, record.rec, record.at);
        SayNotes(entered.notes, run.err);
    }
    run.failures += ReportAppended(record, run.nom, run.err);
    if (inPlace && !last)
        PutShown(run.out, Shown::Another, Shown::End, record.rec, record.at);
}

// Takes a batch of records that the input holds whole: read ahead,
// appended under one hold of the lock, then shown and reported as the
// dialogue would have, one after another. Returns the last answer, or EOF
// once the input has ended or nothing more may be appended.
int CaptureBatch(Capture& run, Batch& batch, std::size_t most)
{
    std::size_t n = ReadAhead(run, batch, most);
    std::size_t whole = batch.entered[n - 1].lines == 3 ? n : n - 1;
    Hold hold = StartHold(run.lock, Console::Piped, batch.records, whole);
    if (whole > 0)
        run.failures += AppendRecords(run.lock, hold, run.err);
    // The records read after one whose part stopped the capture are not
    // appended, nor shown: the dialogue ends with it.
    std::size_t shown = hold.stopped ? hold.tried : whole;
    for (std::size_t k = 0; k < shown; ++k)
        ShowAppended(run, batch.entered[k], batch.records[k], hold.stopped && k + 1 == shown);
    if (hold.stopped)
        return EOF;
    if (whole < n) {
        Reason why = kNoReason;
        const Entered& cut = batch.entered[whole];
        PutShown(run.out, Shown::Position,
            static_cast<Shown>(static_cast<int>(Shown::Numero) + cut.lines + 1), run.rec,
            FileLength(run.lock.file, why));
        SayNotes(cut.notes, run.err);
        return EndInsideRecord(run, cut.lines);
    }
    return batch.entered[n - 1].answer;
}

// Says the part of a record that the file ends in, after its last whole
// record, or that is all it holds: the records added do not start at a
// multiple of 88, and lecture --offset reads them.
void SayPart(const char* nom, long long length, std::FILE* err)
{
    long long part = length % static_cast<long long>(kRecordSize);
    auto plural = static_cast<unsigned long long>(part);
    char what[256];
    if (length == part)
        std::snprintf(what, sizeof what,
            TranslatePlural("holds no whole record but part of one, %lld byte; the records added start at "
                            "byte %lld, which lecture --offset %lld reads",
                "holds no whole record but part of one, %lld bytes; the records added start at byte %lld, "
                "which lecture --offset %lld reads",
                plural),
            part, length, length);
    else
        std::snprintf(what, sizeof what,
            TranslatePlural(
                "ends in part of a record, %lld byte after the last whole record, which ends at "
                "byte %lld; the records added start at byte %lld, which lecture --offset %lld reads",
                "ends in part of a record, %lld bytes after the last whole record, which ends at byte %lld; "
                "the records added start at byte %lld, which lecture --offset %lld reads",
                plural),
            part, length - part, length, length);
    PutMessage(err, kCaptureProgram, nom, what);
}

// Says so when the file ends in part of a record.
void CheckAlignment(FileHandle file, const char* nom, std::FILE* err, int& failures)
{
    Reason why = kNoReason;
    long long length = IsRegularFile(file, why) ? SettledLength(file, nom, err, failures) : 0;
    if (length > 0 && length % static_cast<long long>(kRecordSize) != 0)
        SayPart(nom, length, err);
}

// Says a name that begins or ends with a blank, which a person may not
// have meant: it is kept as typed, and names another file than without.
void CheckBlanks(const char* nom, std::FILE* err)
{
    std::size_t n = std::strlen(nom);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (n > 0 && (blank(nom[0]) || blank(nom[n - 1])))
        PutMessage(err, kCaptureProgram, nom, "the name begins or ends with a blank, kept as typed");
}

// Opens the named file, unless the input ended before a name, or the name
// is refused already, empty, holds a NUL, or names what the dialogue reads
// or writes; kNoFile after saying why.
FileHandle OpenOrRefuse(const char* nom, Reason refused, bool ended, bool& created, std::FILE* err)
{
    Reason why = refused;
    FileHandle file = kNoFile;
    if (ended)
        PutMessage(err, kCaptureProgram, nullptr, "the input ended before a file name was typed");
    else if (nom == nullptr)
        PutMessage(err, kCaptureProgram, nullptr, "file name holds a NUL byte");
    else if (*nom == '\0')
        PutMessage(err, kCaptureProgram, nullptr, "empty file name");
    else if (why == kNoReason)
        file = OpenRecordFile(nom, created, why);
    if (file == kNoFile && why != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, why);
    // The dialogue or the reports would be written over the records, or
    // the records read back as answers, or shown as bytes on the screen.
    static const char* const kRefused[] = {nullptr, Untranslated("is standard input"),
        Untranslated("is standard output"), Untranslated("is standard error"),
        Untranslated("is the terminal")};
    if (Dialogue dialogue = file != kNoFile ? DialogueOf(file) : Dialogue::None; dialogue != Dialogue::None) {
        PutMessage(err, kCaptureProgram, nom, kRefused[static_cast<int>(dialogue)]);
        (void)CloseFile(file);
        file = kNoFile;
    }
    return file;
}

} // namespace

Console ChooseConsole()
{
    if (!IsConsoleInput())
        return Console::Piped;
    return StartLineEditing() ? Console::Edited : Console::Terminal;
}

const char* AskFileName(
    char (&nom)[kNameSize], Reason& refused, bool& ended, Console console, Input& in, std::FILE* out)
{
    bool tooLong = false;
    bool holdsNul = false;
    // A read that failed is said as such once the run ends, not as an end.
    ended = !ReadName("Le nom de fichier à creer :)", nom, sizeof nom, tooLong, holdsNul, console, in, out) &&
        in.failed == kNoReason;
    UnquoteTypedName(nom);
    refused = tooLong ? kNameTooLong : kNoReason;
    return holdsNul ? nullptr : nom;
}

FileHandle OpenNamedFile(const char* nom, Reason refused, bool ended, int& failures, std::FILE* err)
{
    bool created = false;
    FileHandle file = OpenOrRefuse(ended ? nullptr : nom, refused, ended, created, err);
    if (file == kNoFile) {
        PutLiteral(err, "Echec Ouverture\n");
        return kNoFile;
    }
    PutLiteral(err, "Ouverture reussie \n");
    CheckBlanks(nom, err);
    CheckAlignment(file, nom, err, failures);
    char dir[kDirectorySize];
    if (Reason why = created ? FlushNewName(nom, dir) : kNoReason; why != kNoReason) {
        PutMessage(err, kCaptureProgram, dir, "cannot flush the directory", DescribeReason(why));
        ++failures;
    }
    return file;
}

int CaptureRecords(
    FileHandle file, const char* nom, Console console, Input& in, std::FILE* out, std::FILE* err)
{
    int failures = 0;
    AgreedLock lock = StartAppends(file, nom, err, failures);
    Capture run{nom, console, in, out, err, lock, Record{}, failures};
    Batch batch;
    for (int answer = 'y'; answer == 'Y' || answer == 'y';) {
        std::size_t inHand = LinesInHand(in, kLinesOfRecord * kBatchMost) / kLinesOfRecord;
        std::size_t most = PlanHold(console, inHand);
        answer = most > 0 ? CaptureBatch(run, batch, most) : CaptureOne(run);
    }
    return run.failures;
}

bool CloseRecordFile(FileHandle file, const char* nom, std::FILE* err)
{
    Reason why = FlushRecordFile(file);
    if (why != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, why);
    Reason closed = CloseFile(file);
    if (closed != kNoReason)
        PutSystemError(err, kCaptureProgram, nom, closed);
    return why == kNoReason && closed == kNoReason;
}
