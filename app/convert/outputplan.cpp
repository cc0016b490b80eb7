#include "app/convert/outputplan.h"

#include <algorithm>
#include <map>

#include "app/convert/meshformat.h"
#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtrimesh.h"

namespace {

// Names beyond these are counted, not listed: a part may hold a million sets.
constexpr int kNamesPerKind = 8;

template <class T, class Test>
bool AnyOf(const xTDLinkList<T>& list, Test test) {
  for (const T* item = list.GBegin(); item; item = xTDLinkList<T>::GNext(item))
    if (test(*item)) return true;
  return false;
}

// Something to draw: a triangle or polygon, a segment, a point of a point
// set, a frame. Triangles and segments count only with their corners in the
// point table, as the writers and the readers take them.
bool HasContent(const xGeoSet& set) {
  return xVisitSet(
      set, xSetVisitor{
               [](const xTriMesh& tri) {
                 const auto points = static_cast<unsigned>(tri.GetPointCount());
                 for (int i = 0; i < tri.GetTriangleCount(); ++i) {
                   const auto& t = tri.GetTriangle(i);
                   if (t.a < points && t.b < points && t.c < points) return true;
                 }
                 return false;
               },
               [](const xPolyMesh& poly) {
                 return AnyOf(poly.GetPolygons(), [](const xPolygon& f) { return f.GetVertexCount() >= 3; });
               },
               [](const xCompactLineSet& compact) { return compact.GetSegmentCount() > 0; },
               [](const xLineSet& lines) {
                 return AnyOf(lines.GetLines(), [](const xLine& line) { return line.GetPointCount() >= 2; });
               },
               [](const xPointSet& points) { return points.GetPointCount() > 0; },
               [](const xFrameSet& frames) { return frames.GetFrameCount() > 0; },
               [](const xGeoSet&) { return false; },
           });
}

template <class Holds>
OutputPlan Plan(const xGeometry& geometry, bool keepEmpty, Holds holds) {
  OutputPlan plan;
  const xGeoContainer& container = *geometry.GetContainer();
  for (int i = 0; i < container.GetSetCount(); ++i) {
    const xGeoSet& set = *container.GetSet(i);
    const bool content = HasContent(set);
    const SetFate fate = holds(set.GetType()) && (content || keepEmpty) ? SetFate::kKept
                         : content                                      ? SetFate::kDropped
                                                                        : SetFate::kEmpty;
    plan.fates.push_back(fate);
    ++(fate == SetFate::kKept ? plan.kept : fate == SetFate::kDropped ? plan.dropped : plan.empty);
  }
  return plan;
}

struct Names {
  int count = 0;
  std::string text;
};

}  // namespace

OutputPlan PlanPdb(const xGeometry& geometry, int version) {
  return Plan(geometry, true, [version](int type) {
    if (type == xGeoTypePolyMesh || type == xGeoTypeTriMesh) return true;
    return version <= 9 && (type == xGeoTypeLineSet || type == xGeoTypeCompactLineSet);
  });
}

OutputPlan PlanMesh(const xGeometry& geometry, const MeshFormat& format) {
  return Plan(geometry, false, [&format](int type) {
    switch (type) {
      case xGeoTypePolyMesh:
      case xGeoTypeTriMesh:
        return true;
      case xGeoTypeLineSet:
      case xGeoTypeCompactLineSet:
        return format.lines;
      case xGeoTypePointSet:
        return format.points;
      default:
        return false;
    }
  });
}

std::string LeftOutText(const xGeometry& geometry, const OutputPlan& plan) {
  std::map<std::string, Names> byKind;
  const xGeoContainer& container = *geometry.GetContainer();
  for (std::size_t i = 0; i < plan.fates.size(); ++i) {
    if (plan.fates[i] == SetFate::kKept) continue;
    const xGeoSet& set = *container.GetSet(static_cast<int>(i));
    Names& names =
        byKind[(plan.fates[i] == SetFate::kEmpty ? "empty " : "") + std::string(xGeoTypeName(set.GetType()))];
    if (++names.count > kNamesPerKind) continue;
    names.text += (names.text.empty() ? "#" : ", #") + std::to_string(i);
    const xMaterial* material = set.GetMaterial();
    if (material && !material->GetName().Str().empty()) names.text += " " + material->GetName().Str();
  }
  std::string text;
  for (const auto& [kind, names] : byKind) {
    text += (text.empty() ? "" : ", ") + std::to_string(names.count) + " " + kind + " (" + names.text;
    if (names.count > kNamesPerKind) text += " and " + std::to_string(names.count - kNamesPerKind) + " more";
    text += ")";
  }
  return text;
}
