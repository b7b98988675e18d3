// The programs' own texts in the user's language. The text in the code is
// English, the msgid of po/fr.po; linux/catalogue.cpp looks it up with
// gettext, win/catalogue.cpp in the resources made from the same po/fr.po.
// English is the language of the C locale and of any language without a
// catalogue. The dialogue's texts never pass through here.
#ifndef ECRITURE_CATALOGUE_H
#define ECRITURE_CATALOGUE_H

// The catalogue's name: ecriture.mo on Linux.
constexpr char kCatalogue[] = "ecriture";

// Sets the message and character locale from the environment (never the
// numeric one: numbers are read and written as in the C locale), and opens
// the catalogue.
void OpenCatalogue();

// The text in the user's language, or the text itself; valid for the run.
const char* Translate(const char* text);

// The form for n, one or many, in the user's language.
const char* TranslatePlural(const char* one, const char* many, unsigned long long n);

// Marks a text kept for later, such as in a table, for the catalogue: it
// is translated where it is used.
constexpr const char* Untranslated(const char* text)
{
    return text;
}

#endif
