#pragma once

#include <string>
#include <vector>

// Start-up of the message catalogue and the one translation wrapper. Internal
// to the package: none of this is exported.

// Marks a text for the catalogue template without translating it.
#define N_(text) text

// Imports "LANG" and "LOCALEDIR" from the settings files at the first call,
// then binds `domain` (ignored when null or empty) and makes it the domain of
// TranslateText.
void InitTextDomain(const char* domain);

// Copies the setting `name` from the first settings file that has a non-empty
// value of at most 1023 bytes into the environment, replacing any value there;
// otherwise leaves the environment alone.
void SetEnvFromRegistry(const char* name);

// The catalogue's text for the stored domain in the message locale that the
// environment names; "" (static) for null or empty input; the text itself
// when there is no translation or the named locale is not installed.
const char* TranslateText(const char* text);

// The settings files in the order they are consulted: the per-user file, then
// the one under each machine-wide configuration directory.
std::vector<std::string> SettingsFiles();

// Where the catalogue is looked for: "LOCALEDIR" when set, else share/locale
// beside the directory that holds this library; "" when neither is known.
std::string CatalogueDirectory();
