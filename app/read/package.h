#pragma once

#include <string>
#include <vector>

#include "host/xgeometry.h"
#include "host/xstream.h"
#include "host/xstring.h"
#include "package/qxm.h"

struct PackageModule {
  int index = 0;
  QXMGetIntFn getType = nullptr;
  QXMGetTextFn getName = nullptr;
  QXMGetTextFn getVersion = nullptr;
  QXMGetTextFn getDescription = nullptr;
  QXMGetIntFn getSampleSize = nullptr;
  QXMGetTextFn getFilter = nullptr;
  QXMGetIntFn getWritePriority = nullptr;
  QXMGRReadFn read = nullptr;
  QXMGRCanHandleFn canHandle = nullptr;
  QXMGRWriteFn write = nullptr;
  QXMGRCanWriteFn canWrite = nullptr;

  // The PDB version in the module's name ("xpdb09" is 9), or -1.
  int PdbVersion() const;
};

// The package's colour table, through its C entry points.
struct PackageColours {
  QXMPkgNewColourMaterialFn newMaterial = nullptr;
  QXMPkgColourMaterialFn material = nullptr;
  QXMPkgColourIndexFn index = nullptr;
  QXMPkgColourNameFn name = nullptr;
  QXMPkgColourBaseFn base = nullptr;
};

// libxpdb.so loaded with dlopen and resolved by name; it stays loaded until
// the process ends, as the sets it creates carry its code.
class Package {
 public:
  // Loads the library at `path`; false with the reason in `error`.
  bool Load(const std::string& path, std::string& error);

  const char* Name() const { return m_name(); }
  const char* Version() const { return m_version(); }
  const char* Description() const { return m_description(); }
  const char* CoreVersion() const { return m_coreVersion ? *m_coreVersion : nullptr; }
  const std::vector<PackageModule>& Modules() const { return m_modules; }
  const PackageColours& Colours() const { return m_colours; }

  // The module that writes PDB version `version`, or null.
  const PackageModule* ModuleForVersion(int version) const;
  // Largest sample any module asks for.
  int LargestSampleSize() const;
  // First module that accepts the file's first bytes, or -1.
  int Detect(const std::string& head) const;
  std::vector<int> AcceptingModules(const std::string& head) const;

  // Fills the host's material library with one material per Deneb colour,
  // made by the package so that the names and colours are its own.
  void InstallColourMaterials() const;

 private:
  void* m_handle = nullptr;
  QXMPkgSizeFn m_size = nullptr;
  QXMPkgTextFn m_name = nullptr;
  QXMPkgTextFn m_version = nullptr;
  QXMPkgTextFn m_description = nullptr;
  QXMPkgSetupFn m_setup = nullptr;
  const char* const* m_coreVersion = nullptr;
  PackageColours m_colours;
  std::vector<PackageModule> m_modules;
};

// <directory of this program>/../lib/libxpdb.so, or $XPDB_LIBRARY when set.
std::string DefaultPackagePath();
