#pragma once

#include <string>
#include <string_view>
#include <vector>

// The names under which a locale name language[_territory][.codeset][@modifier]
// may have its catalogue, most specific first, in the order gettext tries
// them: with the modifier before without, then with the territory before
// without, each with the codeset as written, then normalised ("UTF-8" as
// "utf8"), then without.
std::vector<std::string> LocaleNameVariants(std::string_view name);

// The catalogue names to try for the message locale `locale` (the first
// non-empty of LC_ALL, LC_MESSAGES and LANG) and the priority list
// `language` (LANGUAGE, names separated by colons), as gettext chooses: none
// for the C or POSIX locale, else the variants of each name of the list, or
// of the locale when the list is empty. A C or POSIX entry ends the list;
// names that could leave the catalogue directory are passed over.
std::vector<std::string> MessageLanguages(const char* language, const char* locale);

// MessageLanguages for this process's environment; without any locale
// variable, the calling thread's message locale stands for them.
std::vector<std::string> MessageLanguagesFromEnvironment();
