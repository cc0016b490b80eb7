// What the app tests share: the package loaded once, and a scratch folder.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

#include "app/read/package.h"

namespace apptest {

// Loaded from the build once for the whole test program, with the host's
// colour materials installed as `xpdb` does at start-up.
inline const Package& LoadedPackage() {
  static const Package* package = [] {
    auto* p = new Package;
    std::string error;
    if (!p->Load(XPDB_BINARY_DIR "/lib/libxpdb.so", error)) throw std::runtime_error(error);
    p->InstallColourMaterials();
    return p;
  }();
  return *package;
}

// The bytes of a file, "" when it cannot be read.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A temporary folder, removed with everything in it.
struct Scratch {
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "xpdb-app-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string File(const std::string& name) const { return (path / name).string(); }
  // `name` may lie in new subdirectories.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((path / name).parent_path());
    std::ofstream(File(name), std::ios::binary) << bytes;
    return File(name);
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
      names.insert(entry.path().filename().string());
    return names;
  }
  std::filesystem::path path;
};

}  // namespace apptest
