#pragma once

#include <locale.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { Restore(); }

  void Restore() {
    for (const auto& [name, value] : m_saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    m_saved.clear();
  }

  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }

 private:
  void Save(const std::string& name) {
    if (m_saved.count(name)) return;
    const char* value = getenv(name.c_str());
    m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }

  std::map<std::string, std::optional<std::string>> m_saved;
};

// A fresh directory that is removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "xpdb-package-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }

  const std::filesystem::path& Path() const { return m_path; }

  // Writes <dir>/Qarvex/3.5.conf below this directory and returns <dir>.
  std::string WriteSettings(const std::string& dir, const std::string& text) const {
    const std::filesystem::path root = m_path / dir;
    std::filesystem::create_directories(root / "Qarvex");
    std::ofstream(root / "Qarvex" / "3.5.conf", std::ios::binary) << text;
    return root.string();
  }

 private:
  std::filesystem::path m_path;
};

// Whether the German locale that the translation tests need is installed.
inline bool GermanLocaleInstalled() {
  const locale_t german = newlocale(LC_MESSAGES_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  if (german == static_cast<locale_t>(0)) return false;
  freelocale(german);
  return true;
}

inline constexpr const char* kGermanLocale = "de_DE.UTF-8";
