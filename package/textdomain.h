#pragma once

#include <string>

// Start-up of the message catalogue and the one translation wrapper. Internal
// to the package: none of this is exported.

// Marks a text for the catalogue template without translating it.
#define N_(text) text

// Imports "LANG" and "LOCALEDIR" from the settings files at the first call,
// then makes `domain` (ignored when null or empty) the domain of
// TranslateText, with its catalogues in CatalogueDirectory() as it is now.
void InitTextDomain(const char* domain);

// The catalogue's text for the stored domain in the language that the
// environment names as gettext reads it (LANGUAGE, then the first of LC_ALL,
// LC_MESSAGES and LANG), whether or not such a locale is installed; without
// any of them, the calling thread's message locale. "" (static) for null or
// empty input; the text itself when no catalogue has it. Translations are
// UTF-8 and live as long as the process. Safe on any number of threads; the
// host's locales are never touched.
const char* TranslateText(const char* text);

// Where the catalogue is looked for: "LOCALEDIR" when set, else share/locale
// beside the directory that holds this library; "" when neither is known
// (the domain then uses /usr/share/locale).
std::string CatalogueDirectory();
