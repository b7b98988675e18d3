#include "dialogue.h"

#include "catalogue.h"
#include "escape.h"
#include "messages.h"

#include <algorithm>
#include <cstring>

namespace {

// The texts of the parts of a record's dialogue; the position's is
// followed by the number, the echo's by the separator after the fields.
constexpr std::string_view kShownTexts[] = {"Position actuelle dans le fichier ",
    "Saisie numero :", "Saisie valeur :", "Saisie Tampon :", "-----------------------\n",
    "Encoder un autre (Y/N) ?)"};
static_assert(sizeof kShownTexts / sizeof kShownTexts[0] == static_cast<std::size_t>(Shown::End),
    "a text for each part");

// The texts of the parts from part on, and what the position and the echo
// add to them: the number and its line end; two numbers, the text and their
// line ends.
constexpr std::size_t ShownSize(std::size_t part = 0)
{
    return part == static_cast<std::size_t>(Shown::End)
        ? kNumberSize + 1 + 2 * (kNumberSize + 1) + kTamponSize + 1
        : kShownTexts[part].size() + ShownSize(part + 1);
}

// True when a read of n bytes took its line up to the line end or the end
// of the input: nothing of it is left.
bool IsWhole(const char* line, std::size_t n, std::size_t size)
{
    return n < size - 1 || line[n - 1] == '\n';
}

// Reads a number from its line's first 79 bytes; cut, when it was longer.
bool ReadNumber(
    std::string_view prompt, std::int32_t& number, bool& cut, Console console, Input& in, std::FILE* out)
{
    char line[kLineSize];
    std::size_t n = AskLine(prompt, line, sizeof line, console, in, out);
    if (n == 0)
        return false;
    number = ParseNumber(line);
    cut = DropLineRest(line, n, console, in) > 0;
    return true;
}

// Keeps the first kept of the n bytes read into tampon, and drops the rest
// of their line.
void KeepText(char (&tampon)[kLineSize], std::size_t n, std::size_t kept, Console console, Input& in)
{
    DropLineRest(tampon, n, console, in);
    std::memset(tampon + kept, '\0', n - kept);
}

// Reads the text into tampon, less its line end: the bytes before a NUL,
// or a longer one cut, the rest of its line dropped, and notes say so.
bool ReadText(std::string_view prompt, char (&tampon)[kLineSize], Notes& notes, Console console, Input& in,
    std::FILE* out)
{
    std::size_t n = AskLine(prompt, tampon, sizeof tampon, console, in, out);
    if (n == 0)
        return false;
    // A NUL would end the text where it stands: what follows it is dropped.
    if (const void* nul = std::memchr(tampon, '\0', n); nul != nullptr) {
        KeepText(tampon, n, static_cast<std::size_t>(static_cast<const char*>(nul) - tampon), console, in);
        notes.textNul = true;
    } else if (tampon[n - 1] == '\n') {
        DelNewLine(tampon);
        // The CR of a CR LF line end stays in the text, as the classic
        // version kept it: said once at the end.
        in.textCr = in.textCr || (n >= 2 && tampon[n - 2] == '\r');
    } else if (n > kTextMost) {
        // Too long for the record: cut on a character, the rest dropped;
        // but a CR that ends the line right after a text that fits is its
        // line end, as Windows writes it, and nothing was cut.
        std::size_t kept = FitUtf8(tampon, n, kTextMost);
        bool crEnd = n == kTextMost + 1 && tampon[kTextMost] == '\r';
        notes.textCut = DropLineRest(tampon, n, console, in) > 0 || !crEnd;
        notes.textKept = notes.textCut ? kept : 0;
        std::memset(tampon + kept, '\0', n - kept);
    }
    return true;
}

char* AppendBytes(char* p, const char* bytes, std::size_t n)
{
    std::memcpy(p, bytes, n);
    return p + n;
}

// Appends the text of a part, its size known where it is compiled.
template <Shown Part>
char* AppendText(char* p)
{
    constexpr std::string_view kText = kShownTexts[static_cast<int>(Part)];
    return AppendBytes(p, kText.data(), kText.size());
}

// Appends the record's echo: its numbers, its text and the separator.
char* AppendEcho(char* p, const Record& rec)
{
    p = AppendNumber(p, rec.numero);
    *p++ = '\n';
    p = AppendNumber(p, rec.valeur);
    *p++ = '\n';
    p = AppendBytes(p, rec.tampon, strnlen(rec.tampon, sizeof rec.tampon));
    *p++ = '\n';
    return AppendText<Shown::Echo>(p);
}

// Appends one part of the record's dialogue.
char* AppendPart(char* p, Shown part, const Record& rec, long long at)
{
    switch (part) {
    case Shown::Position:
        p = AppendNumber(AppendText<Shown::Position>(p), at);
        *p++ = '\n';
        return p;
    case Shown::Numero:
        return AppendText<Shown::Numero>(p);
    case Shown::Valeur:
        return AppendText<Shown::Valeur>(p);
    case Shown::Tampon:
        return AppendText<Shown::Tampon>(p);
    case Shown::Echo:
        return AppendEcho(p, rec);
    case Shown::Another:
        return AppendText<Shown::Another>(p);
    case Shown::End:
        break;
    }
    return p;
}

} // namespace

std::size_t AskLine(
    std::string_view prompt, char* line, std::size_t size, Console console, Input& in, std::FILE* out)
{
    if (console == Console::Edited && out != nullptr)
        return ReadEditedLine(prompt, line, size, out);
    if (out != nullptr) {
        PutBytes(out, prompt.data(), prompt.size());
        if (LinesInHand(in, 1) == 0)
            FlushOutput(out);
    }
    return ReadLine(in, line, size);
}

std::size_t DropLineRest(const char* line, std::size_t n, Console console, Input& in)
{
    // Most reads take their whole line.
    if (n == 0 || line[n - 1] == '\n')
        return 0;
    return console == Console::Edited ? DropEditedLine() : DropLine(in);
}

bool ReadName(std::string_view prompt, char* name, std::size_t size, bool& tooLong, bool& holdsNul,
    Console console, Input& in, std::FILE* out)
{
    std::size_t n = AskLine(prompt, name, size, console, in, out);
    holdsNul = std::memchr(name, '\0', n) != nullptr;
    tooLong = !IsWhole(name, n, size) && DropLineRest(name, n, console, in) > 0;
    // By the bytes read: a NUL before the line end must not move it. A CR
    // before it, as a file saved on Windows has, is part of the line end,
    // as Windows takes it: no one means a name that ends in one.
    bool lineEnd = n > 0 && name[n - 1] == '\n';
    if (lineEnd)
        name[n - 1] = '\0';
    in.nameCr = lineEnd && n >= 2 && name[n - 2] == '\r';
    if (in.nameCr)
        name[n - 2] = '\0';
    return n > 0;
}

Notes NotesOfLine(const Notes& notes, int line)
{
    Notes one{};
    one.numeroCut = line == 0 && notes.numeroCut;
    one.valeurCut = line == 1 && notes.valeurCut;
    if (line == 2) {
        one.textCut = notes.textCut;
        one.textKept = notes.textKept;
        one.textNul = notes.textNul;
    }
    return one;
}

void SayNotes(const Notes& notes, std::FILE* err)
{
    for (bool cut : {notes.numeroCut, notes.valeurCut})
        if (cut)
            PutMessage(
                err, kCaptureProgram, nullptr, "number line longer than 79 bytes: the rest of it is dropped");
    if (notes.textCut) {
        char what[256];
        std::snprintf(
            what, sizeof what, Translate("text longer than 78 bytes: cut to %zu bytes"), notes.textKept);
        PutMessage(err, kCaptureProgram, nullptr, what);
    }
    if (notes.textNul)
        PutMessage(err, kCaptureProgram, nullptr, "text holds a NUL byte: the rest of its line is dropped");
}

int ReadRecord(Record& rec, Notes& notes, Console console, Input& in, std::FILE* out, std::FILE* err)
{
    notes = Notes{};
    std::int32_t* numbers[] = {&rec.numero, &rec.valeur};
    constexpr Shown kNumbers[] = {Shown::Numero, Shown::Valeur};
    for (int k = 0; k < 2; ++k) {
        bool cut = false;
        if (!ReadNumber(PromptOf(kNumbers[k]), *numbers[k], cut, console, in, out))
            return k;
        (k == 0 ? notes.numeroCut : notes.valeurCut) = cut;
        if (err != nullptr)
            SayNotes(NotesOfLine(notes, k), err);
    }
    if (!ReadText(PromptOf(Shown::Tampon), rec.tampon, notes, console, in, out))
        return 2;
    if (err != nullptr)
        SayNotes(NotesOfLine(notes, 2), err);
    return 3;
}

std::string_view PromptOf(Shown part)
{
    return kShownTexts[static_cast<int>(part)];
}

void PutShown(std::FILE* out, Shown first, Shown last, const Record& rec, long long at)
{
    // One write for a whole record read ahead: most of a piped run's work
    // is its dialogue.
    char shown[ShownSize()];
    char* p = shown;
    auto part = static_cast<int>(first);
    // A whole record read ahead, the most common, straight through.
    if (first == Shown::Position && last >= Shown::Another) {
        p = AppendNumber(AppendText<Shown::Position>(p), at);
        *p++ = '\n';
        p = AppendEcho(
            AppendText<Shown::Tampon>(AppendText<Shown::Valeur>(AppendText<Shown::Numero>(p))), rec);
        part = static_cast<int>(Shown::Another);
    }
    for (; part < static_cast<int>(last); ++part)
        p = AppendPart(p, static_cast<Shown>(part), rec, at);
    if (p > shown)
        PutBytes(out, shown, static_cast<std::size_t>(p - shown));
}

int ReadChar(std::string_view prompt, Console console, Input& in, std::FILE* out)
{
    char line[kLineSize];
    std::size_t n = AskLine(prompt, line, sizeof line, console, in, out);
    if (n == 0)
        return EOF;
    DropLineRest(line, n, console, in);
    return static_cast<unsigned char>(line[0]);
}

void DelNewLine(char* s)
{
    std::size_t n = std::strlen(s);
    if (n > 0)
        s[n - 1] = '\0';
}

std::int32_t ParseNumber(const char* s)
{
    constexpr long long kMax = INT32_MAX;
    constexpr long long kMinMagnitude = kMax + 1;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+')
        ++s;
    // Held at one past the range once beyond it, so it cannot overflow.
    long long magnitude = 0;
    for (unsigned digit; (digit = static_cast<unsigned char>(*s) - 0x30U) <= 9; ++s)
        magnitude = std::min(magnitude * 10 + digit, kMinMagnitude + 1);
    if (negative)
        return static_cast<std::int32_t>(magnitude >= kMinMagnitude ? -kMinMagnitude : -magnitude);
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

int SaiSieRecord(Record& rec, Console console, Input& in, std::FILE* out, std::FILE* err)
{
    Notes notes{};
    int read = ReadRecord(rec, notes, console, in, out, err);
    if (read == 3)
        PutShown(out, Shown::Echo, Shown::Another, rec, 0);
    return read;
}
