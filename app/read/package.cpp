#include "app/read/package.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "host/xmaterial.h"

namespace {

// A package announcing more modules than this is broken, not large.
constexpr int kMaxModules = 64;
// Deneb colour indices, which the host fills its material library with.
constexpr int kFirstColour = 4;
constexpr int kLastColour = 35;

class Resolver {
 public:
  explicit Resolver(void* handle) : m_handle(handle) {}

  template <class Fn>
  void operator()(Fn& target, const std::string& name) {
    void* symbol = dlsym(m_handle, name.c_str());
    if (!symbol && m_missing.empty()) m_missing = name;
    target = reinterpret_cast<Fn>(symbol);
  }
  const std::string& Missing() const { return m_missing; }

 private:
  void* m_handle;
  std::string m_missing;
};

// A file shorter than the sample is offered whole.
bool Accepts(const PackageModule& module, const std::string& head) {
  const std::size_t size = static_cast<std::size_t>(std::max(0, module.getSampleSize()));
  const xTString<char> sample(head.data(), std::min(size, head.size()));
  return module.canHandle(sample);
}

}  // namespace

int PackageModule::PdbVersion() const {
  const std::string name = getName ? getName() : "";
  if (name.size() <= 4 || name.compare(0, 4, "xpdb") != 0) return -1;
  int version = 0;
  for (std::size_t i = 4; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || version > 1000) return -1;
    version = version * 10 + (name[i] - '0');
  }
  return version;
}

bool Package::Load(const std::string& path, std::string& error) {
  // RTLD_NOW: an incomplete package is refused here rather than failing in
  // the middle of a read.
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) {
    const char* reason = dlerror();
    error = "cannot load the package " + path + ": " + (reason ? reason : "unknown error");
    return false;
  }
  Resolver resolve(m_handle);
  resolve(m_size, "QXMPkgSize");
  resolve(m_name, "QXMPkgName");
  resolve(m_version, "QXMPkgVersion");
  resolve(m_description, "QXMPkgDescription");
  resolve(m_setup, "QXMPkgSetup");
  resolve(m_coreVersion, "QXMCoreVersion");
  resolve(m_colours.newMaterial, "QXMPkgNewColourMaterial");
  resolve(m_colours.material, "QXMPkgColourMaterial");
  resolve(m_colours.index, "QXMPkgColourIndex");
  resolve(m_colours.name, "QXMPkgColourName");
  resolve(m_colours.base, "QXMPkgColourBase");
  if (!resolve.Missing().empty()) {
    error = path + " does not export " + resolve.Missing();
    return false;
  }
  const int count = m_size();
  if (count < 0 || count > kMaxModules) {
    error = path + " announces " + std::to_string(count) + " modules";
    return false;
  }
  m_modules.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    PackageModule& m = m_modules[static_cast<std::size_t>(i)];
    const std::string prefix = "QXMM" + std::to_string(i);
    m.index = i;
    resolve(m.getType, prefix + "GetType");
    resolve(m.getName, prefix + "GetName");
    resolve(m.getVersion, prefix + "GetVersion");
    resolve(m.getDescription, prefix + "GetDescription");
    resolve(m.getSampleSize, prefix + "GRGetSampleSize");
    resolve(m.getFilter, prefix + "GRGetFilter");
    resolve(m.getWritePriority, prefix + "GRGetWritePriority");
    resolve(m.read, prefix + "GRRead");
    resolve(m.canHandle, prefix + "GRCanHandle");
    resolve(m.write, prefix + "GRWrite");
    resolve(m.canWrite, prefix + "GRCanWrite");
  }
  if (!resolve.Missing().empty()) {
    error = path + " does not export " + resolve.Missing();
    return false;
  }
  m_setup();
  return true;
}

const PackageModule* Package::ModuleForVersion(int version) const {
  for (const PackageModule& m : m_modules)
    if (m.PdbVersion() == version) return &m;
  return nullptr;
}

int Package::LargestSampleSize() const {
  int largest = 0;
  for (const PackageModule& m : m_modules) largest = std::max(largest, m.getSampleSize());
  return largest;
}

std::vector<int> Package::AcceptingModules(const std::string& head) const {
  std::vector<int> accepting;
  for (const PackageModule& m : m_modules)
    if (Accepts(m, head)) accepting.push_back(m.index);
  return accepting;
}

int Package::Detect(const std::string& head) const {
  for (const PackageModule& m : m_modules)
    if (Accepts(m, head)) return m.index;
  return -1;
}

void Package::InstallColourMaterials() const {
  for (int colour = kFirstColour; colour <= kLastColour; ++colour)
    xMatReader::AddMaterial(m_colours.newMaterial(colour));
}

std::string DefaultPackagePath() {
  if (const char* chosen = std::getenv("XPDB_LIBRARY"); chosen && *chosen) return chosen;
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "libxpdb.so";  // left to the dynamic loader's search path
  return (self.parent_path().parent_path() / "lib" / "libxpdb.so").string();
}
