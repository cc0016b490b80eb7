#include "package/textdomain.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "package/messagecatalogue.h"
#include "package/messagelanguages.h"
#include "package/settings.h"

// Why the package reads its catalogues itself rather than through gettext:
// glibc's gettext translates only for a message locale that is installed on
// the machine and set in the calling thread, so a language value such as
// "de" or "de_AT.UTF-8" gave English wherever that exact locale was not
// generated, and steering it meant changing the locale of the host that
// loaded us. The language list is instead made from the environment as
// gettext makes it, and the first catalogue file among
// <dir>/<name>/LC_MESSAGES/<domain>.mo that has the text answers. Texts are
// UTF-8 whatever codeset the language value names; catalogues in other
// charsets are not used.

namespace {

// Catalogues loaded (or found missing) under their path. Never released: a
// translation may be asked for during process exit, and every text handed
// out must stay valid.
struct TextDomain {
  std::mutex lock;
  std::string domain, directory;
  std::unordered_map<std::string, std::unique_ptr<MessageCatalogue>> catalogues;
};

// Made on first use, so the start-up may run before this file's dynamic initialisers.
TextDomain& Domain() {
  static TextDomain* domain = new TextDomain;
  return *domain;
}

// Where the catalogues lie when nothing says so: where gettext looks by default.
constexpr const char* kSystemDirectory = "/usr/share/locale";
const char s_empty[] = "";

}  // namespace

std::string CatalogueDirectory() {
  if (const char* dir = getenv("LOCALEDIR"); dir && *dir) return dir;
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
  TextDomain& state = Domain();
  static std::once_flag settingsImported;
  std::call_once(settingsImported, [] {
    SetEnvFromRegistry("LANG");
    SetEnvFromRegistry("LOCALEDIR");
  });

  if (!domain || !*domain) return;
  std::string directory = CatalogueDirectory();
  if (directory.empty()) directory = kSystemDirectory;
  const std::lock_guard<std::mutex> guard(state.lock);
  state.domain = domain;
  state.directory = std::move(directory);
}

const char* TranslateText(const char* text) {
  if (!text || !*text) return s_empty;
  const std::vector<std::string> languages = MessageLanguagesFromEnvironment();
  if (languages.empty()) return text;

  TextDomain& state = Domain();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.domain.empty()) return text;
  for (const std::string& language : languages) {
    const std::string path = state.directory + "/" + language + "/LC_MESSAGES/" + state.domain + ".mo";
    auto found = state.catalogues.find(path);
    if (found == state.catalogues.end())
      found = state.catalogues.emplace(path, MessageCatalogue::Load(path)).first;
    if (!found->second) continue;
    if (const char* translation = found->second->Find(text)) return translation;
  }
  return text;
}
