#include "xmaterial.h"

#include <cstring>
#include <mutex>

namespace {

struct Service {
  std::mutex mutex;
  std::vector<std::unique_ptr<xMaterial>> library;
  std::vector<std::unique_ptr<xMaterial>> system;
  // Replaced or cleared library materials: sets read earlier, possibly on
  // another thread, still point to them.
  std::vector<std::unique_ptr<xMaterial>> retired;

  Service() {
    struct Entry {
      const char* name;
      float r, g, b;
    };
    static const Entry kPalette[] = {
        {"System White", 1.0f, 1.0f, 1.0f},   {"System Grey", 0.5f, 0.5f, 0.5f},
        {"System Black", 0.0f, 0.0f, 0.0f},   {"System Red", 1.0f, 0.0f, 0.0f},
        {"System Green", 0.0f, 1.0f, 0.0f},   {"System Blue", 0.0f, 0.0f, 1.0f},
        {"System Yellow", 1.0f, 1.0f, 0.0f},  {"System Cyan", 0.0f, 1.0f, 1.0f},
        {"System Magenta", 1.0f, 0.0f, 1.0f}, {"System Orange", 1.0f, 0.5f, 0.0f},
        {"System Brown", 0.5f, 0.25f, 0.0f},
    };
    for (const Entry& e : kPalette) {
      auto m = std::make_unique<xMaterial>();
      m->SetName(e.name);
      m->SetDiffuse(e.r, e.g, e.b, 1.0f);
      system.push_back(std::move(m));
    }
  }
};

Service& TheService() {
  static Service service;
  return service;
}

}  // namespace

xMaterial* xMatReader::FindMaterial(const xTString<char>& name, bool) {
  Service& s = TheService();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const auto& m : s.library)
    if (m->GetName().Equals(name)) return m.get();
  return nullptr;
}

xMaterial* xMatReader::GetClosestSimpleSystemMaterial(float r, float g, float b) {
  Service& s = TheService();
  std::lock_guard<std::mutex> lock(s.mutex);
  xMaterial* best = nullptr;
  double bestDistance = 0.0;
  for (const auto& m : s.system) {
    const float* d = m->GetDiffuse();
    const double dr = d[0] - r, dg = d[1] - g, db = d[2] - b;
    const double distance = dr * dr + dg * dg + db * db;
    if (!best || distance < bestDistance) {
      best = m.get();
      bestDistance = distance;
    }
  }
  return best;
}

void xMatReader::AddMaterial(xMaterial* material) {
  if (!material) return;
  Service& s = TheService();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& m : s.library)
    if (m->GetName().Equals(material->GetName())) {
      s.retired.push_back(std::move(m));
      m.reset(material);
      return;
    }
  s.library.emplace_back(material);
}

void xMatReader::ClearLibrary() {
  Service& s = TheService();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& m : s.library) s.retired.push_back(std::move(m));
  s.library.clear();
}

int xMatReader::GetLibrarySize() {
  Service& s = TheService();
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<int>(s.library.size());
}
