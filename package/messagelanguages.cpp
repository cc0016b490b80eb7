#include "package/messagelanguages.h"

#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>

#include <cctype>

namespace {

enum Part { kNormalisedCodeset = 1, kCodeset = 2, kTerritory = 4, kModifier = 8 };

// Lower-case letters and digits only; a codeset of digits alone is an ISO one.
std::string NormaliseCodeset(std::string_view codeset) {
  std::string name;
  bool digitsOnly = true;
  for (const char c : codeset) {
    const auto u = static_cast<unsigned char>(c);
    if (!std::isalnum(u)) continue;
    digitsOnly = digitsOnly && std::isdigit(u);
    name += static_cast<char>(std::tolower(u));
  }
  return digitsOnly ? "iso" + name : name;
}

bool IsCLocale(std::string_view name) { return name == "C" || name == "POSIX"; }

const char* NonEmptyEnv(const char* name) {
  const char* value = getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::vector<std::string> LocaleNameVariants(std::string_view name) {
  const auto end = [&](std::string_view stops, std::size_t from) {
    const auto at = name.find_first_of(stops, from);
    return at == std::string_view::npos ? name.size() : at;
  };
  const std::size_t languageEnd = end("_.@", 0);
  const std::string_view language = name.substr(0, languageEnd);
  std::string_view territory, codeset, modifier;
  std::size_t at = languageEnd;
  if (at < name.size() && name[at] == '_') {
    const std::size_t stop = end(".@", at + 1);
    territory = name.substr(at + 1, stop - at - 1);
    at = stop;
  }
  if (at < name.size() && name[at] == '.') {
    const std::size_t stop = end("@", at + 1);
    codeset = name.substr(at + 1, stop - at - 1);
    at = stop;
  }
  if (at < name.size()) modifier = name.substr(at + 1);

  const std::string normalised = NormaliseCodeset(codeset);
  int mask = 0;
  if (!territory.empty()) mask |= kTerritory;
  if (!codeset.empty()) mask |= kCodeset;
  if (!codeset.empty() && normalised != codeset) mask |= kNormalisedCodeset;
  if (!modifier.empty()) mask |= kModifier;

  std::vector<std::string> names;
  if (language.empty()) return names;
  for (int parts = mask; parts >= 0; --parts) {
    if ((parts & ~mask) != 0 || ((parts & kCodeset) && (parts & kNormalisedCodeset))) continue;
    std::string variant(language);
    if (parts & kTerritory) variant.append("_").append(territory);
    if (parts & kCodeset) variant.append(".").append(codeset);
    if (parts & kNormalisedCodeset) variant.append(".").append(normalised);
    if (parts & kModifier) variant.append("@").append(modifier);
    names.push_back(std::move(variant));
  }
  return names;
}

std::vector<std::string> MessageLanguages(const char* language, const char* locale) {
  std::vector<std::string> names;
  if (!locale || !*locale || IsCLocale(locale)) return names;
  const auto add = [&](std::string_view name) {
    // The name becomes a directory of the path to the catalogue.
    if (name.find('/') != std::string_view::npos || name.front() == '.') return;
    for (std::string& variant : LocaleNameVariants(name)) names.push_back(std::move(variant));
  };
  if (!language || !*language) {
    add(locale);
    return names;
  }
  std::string_view list = language;
  for (;;) {
    const auto colon = list.find(':');
    const std::string_view entry = list.substr(0, colon);
    if (IsCLocale(entry)) break;
    if (!entry.empty()) add(entry);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return names;
}

std::vector<std::string> MessageLanguagesFromEnvironment() {
  const char* locale = NonEmptyEnv("LC_ALL");
  if (!locale) locale = NonEmptyEnv("LC_MESSAGES");
  if (!locale) locale = NonEmptyEnv("LANG");
  // The name of the thread's locale, or of the global one where the thread has none of its own.
  if (!locale) locale = nl_langinfo(_NL_LOCALE_NAME(LC_MESSAGES));
  return MessageLanguages(NonEmptyEnv("LANGUAGE"), locale);
}
