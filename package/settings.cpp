#include "package/settings.h"

#include <stdlib.h>

#include <cstring>

#include "package/smallfile.h"

namespace {

// The longest value that fits the 1024-byte buffer of the settings value with its NUL.
constexpr std::size_t kMaxValueLength = 1023;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Also takes the CR of a CR LF line end.
std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
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

std::optional<std::string> FindSetting(std::string_view text, std::string_view name) {
  // Windows editors start UTF-8 text with a byte-order mark.
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  std::optional<std::string> value;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || Trim(line.substr(0, equals)) != name) continue;
    value = std::string(Trim(line.substr(equals + 1)));
  }
  return value;
}

void SetEnvFromRegistry(const char* name) {
  if (!name || !*name || std::strchr(name, '=')) return;
  for (const std::string& file : SettingsFiles()) {
    // Only a small regular file: a FIFO would block the host's start-up and
    // a device such as /dev/zero would never end.
    const std::optional<std::string> text = ReadSmallFile(file, kMaxSettingsFileSize);
    if (!text) continue;
    const std::optional<std::string> value = FindSetting(*text, name);
    if (Usable(value)) {
      setenv(name, value->c_str(), 1);
      return;
    }
  }
}
