// The catalogue on Windows: the translations of po/fr.po, made resources of
// the program at build time (cmake/catalogue_resources.cmake), chosen by
// the user's interface language. Each translation is the UTF-8 text, named
// by the hash of its English text, as the build names it.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "catalogue.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace {

// The languages that have a catalogue, as resources' languages.
WORD language = 0;

// FNV-1a, 32 bits, of the text's bytes: the resource's name is M and its
// eight hexadecimal digits.
std::uint32_t HashText(const char* text)
{
    std::uint32_t h = 2166136261u;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
        h = (h ^ *p) * 16777619u;
    return h;
}

// The translation of the text, or null.
const char* FindTranslation(const char* text)
{
    if (language == 0 || *text == '\0')
        return nullptr;
    wchar_t name[16];
    std::swprintf(name, sizeof name / sizeof name[0], L"M%08X", static_cast<unsigned>(HashText(text)));
    HRSRC found = FindResourceExW(nullptr, MAKEINTRESOURCEW(10), name, language);
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    return loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
}

} // namespace

void OpenCatalogue()
{
    // The one catalogue: French, whatever the country.
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_FRENCH)
        language = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);
}

const char* Translate(const char* text)
{
    const char* found = FindTranslation(text);
    return found != nullptr ? found : text;
}

const char* TranslatePlural(const char* one, const char* many, unsigned long long n)
{
    // French takes the singular for 0 and 1, English for 1 alone.
    bool plural = language != 0 ? n > 1 : n != 1;
    return Translate(plural ? many : one);
}
