#include "app/convert/finite.h"

#include <cfloat>
#include <cmath>

#include "host/xcompactlineset.h"
#include "host/xlineset.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtrimesh.h"

namespace {

// Also false for not a number.
bool WithinFloat(double v) { return std::fabs(v) <= FLT_MAX; }

template <class P>
bool Holdable(const P& p) {
  return WithinFloat(p.x) && WithinFloat(p.y) && WithinFloat(p.z);
}

template <class Set>
std::optional<PointBeyondFloat> InTable(const Set& set) {
  for (int i = 0; i < set.GetPointCount(); ++i) {
    const xFVector& p = set.GetPoint(i);
    if (!Holdable(p)) return PointBeyondFloat{i, p.x, p.y, p.z};
  }
  return std::nullopt;
}

template <class Point>
std::optional<PointBeyondFloat> InList(const xTDLinkList<Point>& points) {
  int i = 0;
  for (const Point* p = points.GBegin(); p; p = xTDLinkList<Point>::GNext(p), ++i)
    if (!Holdable(*p)) return PointBeyondFloat{i, p->x, p->y, p->z};
  return std::nullopt;
}

}  // namespace

std::optional<PointBeyondFloat> FindPointBeyondFloat(const xGeoSet& set) {
  return xVisitSet(set, xSetVisitor{
                            [](const xTriMesh& tri) { return InTable(tri); },
                            [](const xCompactLineSet& compact) { return InTable(compact); },
                            [](const xPointSet& points) { return InTable(points); },
                            [](const xPolyMesh& poly) { return InList(poly.GetPoints()); },
                            [](const xLineSet& lines) { return InList(lines.GetPoints()); },
                            [](const xGeoSet&) -> std::optional<PointBeyondFloat> { return std::nullopt; },
                        });
}
