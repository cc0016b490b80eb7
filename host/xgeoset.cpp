#include "xgeoset.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {
std::mutex g_layerMutex;
std::vector<std::unique_ptr<xLayer>>& Layers() {
  static std::vector<std::unique_ptr<xLayer>> layers;
  return layers;
}
}  // namespace

xGeoSet::~xGeoSet() = default;

void xGeoSet::Refresh(bool) {}

xLayer* xLayerControl::FindLayer(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> lock(g_layerMutex);
  for (const auto& layer : Layers())
    if (std::string(layer->GetName()) == name) return layer.get();
  return nullptr;
}

xLayer* xLayerControl::AddLayer(const char* name) {
  if (xLayer* existing = FindLayer(name)) return existing;
  std::lock_guard<std::mutex> lock(g_layerMutex);
  Layers().push_back(std::make_unique<xLayer>(name));
  return Layers().back().get();
}
