#include "app/meshcolours.h"

#include <dlfcn.h>

#include <type_traits>

#include "host/xmaterial.h"
#include "host/xvector.h"
#include "pdb/xpdbutil.h"

namespace {

// The exported static members of xPdbUtil, under their C++ names.
constexpr const char* kGetDenebIndex = "_ZN8xPdbUtil13GetDenebIndexEP9xMaterial";
constexpr const char* kGetDenebMaterial = "_ZN8xPdbUtil16GetDenebMaterialEi";
constexpr const char* kDenebMaterialName = "_ZN8xPdbUtil17DenebMaterialNameEi";
constexpr const char* kSetBaseColor = "_ZN8xPdbUtil12SetBaseColorEiR7xVector";

}  // namespace

bool MeshColours::Resolve(const Package& package, std::string& error) {
  static_assert(std::is_same_v<decltype(&xPdbUtil::GetDenebIndex), GetDenebIndexFn>);
  static_assert(std::is_same_v<decltype(&xPdbUtil::GetDenebMaterial), GetDenebMaterialFn>);
  static_assert(std::is_same_v<decltype(&xPdbUtil::DenebMaterialName), DenebMaterialNameFn>);
  static_assert(std::is_same_v<decltype(&xPdbUtil::SetBaseColor), SetBaseColorFn>);

  Dl_info info{};
  if (package.Modules().empty() ||
      dladdr(reinterpret_cast<void*>(package.Modules().front().read), &info) == 0 || !info.dli_fname) {
    error = "cannot find the library of the package's modules";
    return false;
  }
  // Already loaded: this only takes another reference, dropped again below.
  void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (!handle) {
    error = std::string("cannot reach ") + info.dli_fname;
    return false;
  }
  const auto resolve = [&](auto& target, const char* symbol) {
    target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(dlsym(handle, symbol));
    if (!target && error.empty()) error = std::string(info.dli_fname) + " does not export " + symbol;
  };
  error.clear();
  resolve(m_index, kGetDenebIndex);
  resolve(m_material, kGetDenebMaterial);
  resolve(m_name, kDenebMaterialName);
  resolve(m_baseColour, kSetBaseColor);
  dlclose(handle);
  return error.empty();
}

int MeshColours::Index(xMaterial* material) const { return m_index(material); }

int MeshColours::Index(const std::string& name, const float diffuse[3]) const {
  xMaterial material;
  material.SetName(name.c_str());
  material.SetDiffuse(diffuse[0], diffuse[1], diffuse[2], 1.0f);
  return m_index(&material);
}

int MeshColours::IndexByName(const std::string& name) const {
  // Farther than 3 from every colour of the table: only the name can match.
  const float nowhere[3] = {-9.0f, -9.0f, -9.0f};
  return Index(name, nowhere);
}

xMaterial* MeshColours::Material(int index) const { return m_material(index); }

const char* MeshColours::Name(int index) const { return m_name(index); }

void MeshColours::BaseColour(int index, float rgb[3]) const {
  xVector colour;
  m_baseColour(index, colour);
  rgb[0] = static_cast<float>(colour.x);
  rgb[1] = static_cast<float>(colour.y);
  rgb[2] = static_cast<float>(colour.z);
}
