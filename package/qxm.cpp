#include "package/qxm.h"

#include <cstring>
#include <iterator>

#include "host/xmessage.h"
#include "host/xpointset.h"
#include "package/textdomain.h"
#include "pdb/read/readstatus.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "xpdbversion.h"

namespace {

constexpr const char* kPackageVersion = XPDB_VERSION;
constexpr int kModuleType = 5;
constexpr int kWritePriority = 1;

// The modules, one row each (all at the package's version): number, version
// class, name, description, file filter, sample size, the version digits a
// file starts with, the format text of a read, and whether the module writes.
// The one-digit descriptions carry two blanks so that all six line up.
#define XPDB_MODULE_TABLE(ROW)                                                                             \
  ROW(0, xPdb09, "xpdb09", N_("PDB geometry version  9 loader"),                                           \
      N_("Igrip/Quest/VNC geometry (*.pdb,*.*)|*.pdb;*.*"), 16, "9", N_("PDB 9 format"), true)             \
  ROW(1, xPdb08, "xpdb08", N_("PDB geometry version  8 loader"), "", 16, "8", N_("PDB 8 format"), false)   \
  ROW(2, xPdb10, "xpdb10", N_("PDB geometry version 10 loader"), "", 16, "10", N_("PDB 10 format"), false) \
  ROW(3, xPdb11, "xpdb11", N_("PDB geometry version 11 loader"), "", 16, "11", N_("PDB 11 format"), false) \
  ROW(4, xPdb12, "xpdb12", N_("PDB geometry version 12 loader"), "", 16, "12", N_("PDB 12 format"), false) \
  ROW(5, xPdb14, "xpdb14", N_("PDB geometry version 14 loader"), "", 18, "14", N_("PDB 14 format"), false)

struct xModule {
  int number;
  const char* name;
  const char* version;
  const char* description;
  const char* filter;
  int sampleSize;
  const char* digits;
  const char* formatText;
  bool writes;
};

constexpr xModule kModules[] = {
#define XPDB_MODULE_ROW(n, cls, name, description, filter, sample, digits, format, writes) \
  {n, name, kPackageVersion, description, filter, sample, digits, format, writes},
    XPDB_MODULE_TABLE(XPDB_MODULE_ROW)
#undef XPDB_MODULE_ROW
};
static_assert(std::size(kModules) == QXMModuleCount);

// An untranslated empty filter stays the empty string.
const char* Filter(const xModule& module) { return *module.filter ? TranslateText(module.filter) : ""; }

// Only the leading version digits decide; whatever follows them does not.
bool CanHandle(const xModule& module, const xTString<char>& sample) {
  return std::strncmp(sample.c_str(), module.digits, std::strlen(module.digits)) == 0;
}

// The container reference is checked at every step, so an empty one throws
// xSmartPtrException even for modules that never write.
bool CanWrite(const xModule& module, xGeometry* geometry) {
  if (!geometry) return module.writes;
  const xTSmartRefPtr<xGeoContainer>& container = geometry->GetContainer();
  for (int i = 0; i < container->GetSetCount(); ++i)
    if (const xGeoSet* set = container->GetSet(i); set && set->GetType() == xGeoTypePointSet) return false;
  return module.writes;
}

template <class Version>
int Read(const xModule& module, xStream* stream, xGeometry** geometry) {
  xMessageContext::AddDebug(stream, TranslateText(module.formatText));
  Version version;
  const int status = version.Read(stream, geometry);
  if (status == 0) return 0;
  throw xMessage(version.Explain(status), false);
}

// Nothing thrown inside a write reaches the host: a host that cannot write
// hears so from the result.
template <class Version>
int Write(xStream* stream, xGeometry* geometry) noexcept {
  if (!stream || !geometry) return xpdb::kStatusBrokenStream;
  try {
    Version version;
    return version.Write(stream, geometry);
  } catch (...) {
    return xpdb::kStatusBrokenStream;
  }
}

}  // namespace

extern "C" {

const char* const QXMCoreVersion = "3.5";

int QXMPkgSize() { return QXMModuleCount; }
const char* QXMPkgName() { return "xpdb"; }
const char* QXMPkgVersion() { return kPackageVersion; }
const char* QXMPkgDescription() { return TranslateText(N_("PDB file format package")); }
void QXMPkgSetup() {}

#define XPDB_MODULE_FUNCTIONS(n, cls, ...)                                                            \
  static_assert(kModules[n].number == n);                                                             \
  int QXMM##n##GetType() { return kModuleType; }                                                      \
  const char* QXMM##n##GetName() { return kModules[n].name; }                                         \
  const char* QXMM##n##GetVersion() { return kModules[n].version; }                                   \
  const char* QXMM##n##GetDescription() { return TranslateText(kModules[n].description); }            \
  int QXMM##n##GRGetSampleSize() { return kModules[n].sampleSize; }                                   \
  const char* QXMM##n##GRGetFilter() { return Filter(kModules[n]); }                                  \
  int QXMM##n##GRGetWritePriority() { return kWritePriority; }                                        \
  int QXMM##n##GRRead(xStream* stream, xGeometry** geometry) {                                        \
    return Read<cls>(kModules[n], stream, geometry);                                                  \
  }                                                                                                   \
  bool QXMM##n##GRCanHandle(const xTString<char>& sample) { return CanHandle(kModules[n], sample); }  \
  int QXMM##n##GRWrite(xStream* stream, xGeometry* geometry) { return Write<cls>(stream, geometry); } \
  bool QXMM##n##GRCanWrite(xGeometry* geometry) { return CanWrite(kModules[n], geometry); }

XPDB_MODULE_TABLE(XPDB_MODULE_FUNCTIONS)
#undef XPDB_MODULE_FUNCTIONS
}
