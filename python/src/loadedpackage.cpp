#include "python/src/loadedpackage.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "app/files/tempcleanup.h"

namespace {

std::filesystem::path ModuleDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ModuleDirectory), &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::string PackageLibraryPath() {
  if (const char* chosen = std::getenv("XPDB_LIBRARY"); chosen && *chosen) return chosen;
  const std::filesystem::path here = ModuleDirectory();
  // xpdb/lib in a wheel; <build>/python/xpdb beside <build>/lib; and
  // <prefix>/lib/python3/dist-packages/xpdb under <prefix>/lib.
  for (const char* relative : {"lib", "../../lib", "../../.."}) {
    const std::filesystem::path candidate = here / relative / "libxpdb.so";
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec)) return candidate.lexically_normal().string();
  }
  return "libxpdb.so";  // left to the dynamic loader's search path
}

const Package& LoadedPackage() {
  static Package package;
  static std::string error;
  static bool loaded = false;
  static std::once_flag once;
  std::call_once(once, [] {
    // Python owns SIGINT (KeyboardInterrupt); the writers must not take it.
    tempcleanup::LeaveSignalsAlone();
    loaded = package.Load(PackageLibraryPath(), error);
    if (loaded) package.InstallColourMaterials();
  });
  if (!loaded) throw std::runtime_error(error);
  return package;
}
