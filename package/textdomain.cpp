#include "package/textdomain.h"

#include <dlfcn.h>
#include <libintl.h>
#include <locale.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

namespace {

// Only constant-initialised state: the start-up runs from the library
// constructor, possibly before this file's dynamic initialisers.
bool s_settingsImported = false;
// Never released: a translation may be asked for during process exit.
char* s_domain = nullptr;
int s_capacity = 0;
const char s_empty[] = "";

// The longest value that fits the 1024-byte buffer of the settings value with its NUL.
constexpr std::size_t kMaxValueLength = 1023;

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The value that `file` gives `name`: the last NAME=VALUE line for it wins.
std::optional<std::string> ReadSetting(const std::string& file, std::string_view name) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::optional<std::string> value;
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || Trim(text.substr(0, equals)) != name) continue;
    value = std::string(Trim(text.substr(equals + 1)));
  }
  return value;
}

bool Usable(const std::optional<std::string>& value) {
  // An embedded NUL would silently shorten the value in the environment.
  return value && !value->empty() && value->size() <= kMaxValueLength &&
         value->find('\0') == std::string::npos;
}

const char* NonEmptyEnv(const char* name) {
  const char* value = getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::vector<std::string> SettingsFiles() {
  static constexpr const char* kFile = "/Qarvex/3.5.conf";
  std::vector<std::string> files;
  if (const char* home = NonEmptyEnv("XDG_CONFIG_HOME"))
    files.push_back(std::string(home) + kFile);
  else if (const char* user = NonEmptyEnv("HOME"))
    files.push_back(std::string(user) + "/.config" + kFile);

  const char* dirs = NonEmptyEnv("XDG_CONFIG_DIRS");
  std::string_view rest = dirs ? dirs : "/etc/xdg";
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    if (!dir.empty()) files.push_back(std::string(dir) + kFile);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return files;
}

void SetEnvFromRegistry(const char* name) {
  if (!name || !*name || std::strchr(name, '=')) return;
  for (const std::string& file : SettingsFiles()) {
    const std::optional<std::string> value = ReadSetting(file, name);
    if (Usable(value)) {
      setenv(name, value->c_str(), 1);
      return;
    }
  }
}

std::string CatalogueDirectory() {
  if (const char* dir = NonEmptyEnv("LOCALEDIR")) return dir;
  Dl_info info{};
  if (!dladdr(reinterpret_cast<const void*>(&CatalogueDirectory), &info) || !info.dli_fname ||
      !*info.dli_fname)
    return {};
  char* library = realpath(info.dli_fname, nullptr);
  if (!library) return {};
  const std::filesystem::path path(library);
  free(library);
  return (path.parent_path().parent_path() / "share" / "locale").string();
}

void InitTextDomain(const char* domain) {
  if (!s_settingsImported) {
    s_settingsImported = true;
    SetEnvFromRegistry("LANG");
    SetEnvFromRegistry("LOCALEDIR");
  }

  const std::size_t length = domain ? std::strlen(domain) : 0;
  if (length == 0) return;
  if (length >= static_cast<std::size_t>(s_capacity)) {
    delete[] s_domain;
    s_domain = new char[length + 1];
    s_capacity = static_cast<int>(length + 1);
  }

  // glibc does not read LOCALEDIR itself, so the directory is bound explicitly.
  const std::string dir = CatalogueDirectory();
  bindtextdomain(domain, dir.empty() ? nullptr : dir.c_str());
  bind_textdomain_codeset(domain, "UTF-8");
  std::strncpy(s_domain, domain, static_cast<std::size_t>(s_capacity));
}

const char* TranslateText(const char* text) {
  if (!text || !*text) return s_empty;
  if (!s_domain) return text;

  // Without any locale variable the caller's own message locale applies.
  if (!NonEmptyEnv("LC_ALL") && !NonEmptyEnv("LC_MESSAGES") && !NonEmptyEnv("LANG"))
    return dgettext(s_domain, text);

  // The locale variables steer only this lookup; the host's locale stays untouched.
  const locale_t messages = newlocale(LC_MESSAGES_MASK, "", static_cast<locale_t>(0));
  if (messages == static_cast<locale_t>(0)) return text;
  const locale_t previous = uselocale(messages);
  const char* translated = dgettext(s_domain, text);
  uselocale(previous);
  freelocale(messages);
  return translated;
}
