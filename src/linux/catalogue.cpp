// The catalogue on Linux: GNU gettext, as glibc provides it. The system's
// reasons come from glibc's own catalogue, in UTF-8 as the rest of a line.
#include "catalogue.h"

#include <climits>
#include <clocale>
#include <cstring>
#include <libintl.h>
#include <unistd.h>

void OpenCatalogue()
{
    (void)std::setlocale(LC_MESSAGES, "");
    (void)std::setlocale(LC_CTYPE, "");
    // A program run from its build tree reads the catalogue built there;
    // installed, the one installed beside it, under the same prefix.
    constexpr char kFromBin[] = "/" ECRITURE_LOCALE_FROM_BIN;
    char self[PATH_MAX + sizeof kFromBin];
    ssize_t n = readlink("/proc/self/exe", self, PATH_MAX - 1);
    self[n > 0 ? n : 0] = '\0';
    bool built = std::strncmp(self, ECRITURE_BUILD_DIR "/", sizeof ECRITURE_BUILD_DIR) == 0;
    char* slash = std::strrchr(self, '/');
    if (slash != nullptr)
        std::memcpy(slash, kFromBin, sizeof kFromBin);
    (void)bindtextdomain(kCatalogue, built ? ECRITURE_BUILD_DIR "/locale" : self);
    (void)bind_textdomain_codeset(kCatalogue, "UTF-8");
    (void)bind_textdomain_codeset("libc", "UTF-8");
    (void)textdomain(kCatalogue);
}

const char* Translate(const char* text)
{
    // gettext gives the catalogue's header for the empty text.
    return *text == '\0' ? text : gettext(text);
}

const char* TranslatePlural(const char* one, const char* many, unsigned long long n)
{
    // A count past the long of a 32-bit station keeps its last digits, which
    // the plural rules of every language look at.
    unsigned long counted = n > ULONG_MAX ? static_cast<unsigned long>(n % 1000000 + 1000000) : n;
    return ngettext(one, many, counted);
}
