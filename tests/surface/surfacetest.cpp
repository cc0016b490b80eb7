#include "surfacetest.h"

#include <cmath>
#include <numbers>

namespace surfacetest {

namespace {

void Append(std::ostringstream& out, const Loop& loop) {
  out << loop.size() << "\n";
  for (const auto& [u, v] : loop) out << u << " " << v << "\n";
}

double TriangleArea(const float* a, const float* b, const float* c) {
  const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  return 0.5 * std::hypot(uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx);
}

}  // namespace

std::string SurfaceRecord::Text(int version) const {
  std::ostringstream out;
  out.precision(17);
  out << uStart << " " << uEnd << " " << vStart << " " << vEnd << "\n";
  out << uDegree << " " << vDegree << " " << uSegments << " " << vSegments << "\n";
  out << (version < 12 ? "0 0\n" : "0.001 0.01 0.5\n");
  for (double k : uKnots) out << k << " ";
  out << "\n";
  for (double k : vKnots) out << k << " ";
  out << "\n";
  for (const auto& p : points) out << p[0] << " " << p[1] << " " << p[2] << " " << p[3] << "\n";
  if (version < 10) {
    out << colour << "\n";
    return out.str();
  }
  out << "0.5\n";
  if (trimmed) {
    Append(out, outer);
    out << holes.size() << "\n";
    for (const Loop& hole : holes) Append(out, hole);
  } else {
    out << "0\n";
  }
  out << colour << "\n";
  if (version >= 12) out << surfaceObject;
  return out.str();
}

SurfaceRecord FlatPatch(double width, double height) {
  SurfaceRecord s;
  s.points = {{1, 0, 0, 0}, {1, 0, height, 0}, {1, width, 0, 0}, {1, width, height, 0}};
  return s;
}

SurfaceRecord QuarterCylinder(double r, double length) {
  SurfaceRecord s;
  s.uDegree = 2;
  s.uKnots = {0, 0, 0, 1, 1, 1};
  const double w = std::sqrt(0.5);
  s.points = {{1, r, 0, 0}, {1, r, 0, length}, {w, r * w, r * w, 0}, {w, r * w, r * w, length * w},
              {1, 0, r, 0}, {1, 0, r, length}};
  return s;
}

std::string Section(const std::vector<SurfaceRecord>& records, int version) {
  std::string text = std::to_string(records.size()) + "\n";
  for (const SurfaceRecord& r : records) text += r.Text(version);
  return text;
}

Loop Circle(double cx, double cy, double r, int n, bool clockwise) {
  Loop loop;
  for (int i = 0; i < n; ++i) {
    const double a = (clockwise ? -2 : 2) * std::numbers::pi * i / n;
    loop.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
  }
  return loop;
}

double LoopArea(const Loop& loop) {
  double twice = 0;
  for (std::size_t i = 0; i < loop.size(); ++i) {
    const auto& [x0, y0] = loop[i];
    const auto& [x1, y1] = loop[(i + 1) % loop.size()];
    twice += x0 * y1 - x1 * y0;
  }
  return twice / 2;
}

Loop Rectangle(double u0, double v0, double u1, double v1) {
  return {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
}

double MeshArea(const xTriMesh& mesh) {
  double area = 0;
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    const xFVector &a = mesh.GetPoint(static_cast<int>(t.a)), &b = mesh.GetPoint(static_cast<int>(t.b)),
                   &c = mesh.GetPoint(static_cast<int>(t.c));
    const float pa[] = {a.x, a.y, a.z}, pb[] = {b.x, b.y, b.z}, pc[] = {c.x, c.y, c.z};
    area += TriangleArea(pa, pb, pc);
  }
  return area;
}

double StoreArea(const TriangleStoreIndexed& store) {
  double area = 0;
  const float* v = store.getVertices();
  const unsigned* index = store.getIndices();
  for (unsigned i = 0; i + 2 < store.size(); i += 3)
    area += TriangleArea(v + index[i], v + index[i + 1], v + index[i + 2]);
  return area;
}

}  // namespace surfacetest
