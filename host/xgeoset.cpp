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

// With g_layerMutex held.
xLayer* Find(const char* name) {
  for (const auto& layer : Layers())
    if (std::string(layer->GetName()) == name) return layer.get();
  return nullptr;
}
}  // namespace

xGeoSet::~xGeoSet() = default;

void xGeoSet::Refresh(bool) {}

xLayer* xLayerControl::FindLayer(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> lock(g_layerMutex);
  return Find(name);
}

// Looked up and added under one lock: two threads adding one name get one layer.
xLayer* xLayerControl::AddLayer(const char* name) {
  std::lock_guard<std::mutex> lock(g_layerMutex);
  if (xLayer* existing = name ? Find(name) : nullptr) return existing;
  Layers().push_back(std::make_unique<xLayer>(name));
  return Layers().back().get();
}
