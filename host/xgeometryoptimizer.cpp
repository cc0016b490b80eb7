#include "xgeometryoptimizer.h"

#include "xgeometry.h"

namespace {
// Per thread: a host that reads on several threads shows each read its own call.
thread_local xOptimizerRecord t_record;
}  // namespace

xGeometryOptimizer::xGeometryOptimizer() = default;
xGeometryOptimizer::~xGeometryOptimizer() = default;

void xGeometryOptimizer::StartMesh(xGeoSet*) { ++t_record.meshesStarted; }

void xGeometryOptimizer::EndMesh(xGeoSet*) { ++t_record.meshesEnded; }

void xGeometryOptimizer::AnalyzeAndOptimizeGeometry(xGeometry** geometry, xTString<char> name, int version) {
  if (geometry && *geometry && !(*geometry)->GetContainer().IsEmpty()) {
    xGeoContainer* container = (*geometry)->GetContainer().GetPtr();
    for (int i = 0; i < container->GetSetCount(); ++i) container->GetSet(i)->Refresh(true);
  }
  t_record.called = true;
  t_record.name = name.Str();
  t_record.version = version;
}

xOptimizerRecord xGeometryOptimizer::GetRecord() { return t_record; }

void xGeometryOptimizer::ResetRecord() { t_record = xOptimizerRecord{}; }
