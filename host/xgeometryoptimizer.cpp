#include "xgeometryoptimizer.h"

#include <mutex>

#include "xgeometry.h"

namespace {
std::mutex g_mutex;
xOptimizerRecord g_record;
}  // namespace

xGeometryOptimizer::xGeometryOptimizer() = default;
xGeometryOptimizer::~xGeometryOptimizer() = default;

void xGeometryOptimizer::StartMesh(xGeoSet*) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_record.meshesStarted;
}

void xGeometryOptimizer::EndMesh(xGeoSet*) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_record.meshesEnded;
}

void xGeometryOptimizer::AnalyzeAndOptimizeGeometry(xGeometry** geometry, xTString<char> name, int version) {
  if (geometry && *geometry && !(*geometry)->GetContainer().IsEmpty()) {
    xGeoContainer* container = (*geometry)->GetContainer().GetPtr();
    for (int i = 0; i < container->GetSetCount(); ++i) container->GetSet(i)->Refresh(true);
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  g_record.called = true;
  g_record.name = name.Str();
  g_record.version = version;
}

xOptimizerRecord xGeometryOptimizer::GetRecord() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_record;
}

void xGeometryOptimizer::ResetRecord() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_record = xOptimizerRecord{};
}
