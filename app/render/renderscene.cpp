#include "app/render/renderscene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtriangle.h"
#include "host/xtrimesh.h"

namespace {

// Faces whose normals differ by less than this share their corner normals.
const double kCreaseCosine = std::cos(40.0 * std::numbers::pi / 180.0);
constexpr double kAmbient = 0.4;
constexpr double kDiffuse = 0.6;
// Towards the light, in view coordinates (x right, y up, z to the viewer).
constexpr Vec3 kLight = {-0.3, 0.5, 1.0};
// Length of a frame's axes as a share of the part's diagonal.
constexpr double kFrameAxis = 0.08;
constexpr Rgb kAxisColours[3] = {{0.85f, 0.1f, 0.1f}, {0.1f, 0.65f, 0.1f}, {0.1f, 0.2f, 0.85f}};

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator*(const Vec3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
xDVec3 D(const Vec3& a) { return {a[0], a[1], a[2]}; }
double Dot(const Vec3& a, const Vec3& b) { return xDot(D(a), D(b)); }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  const xDVec3 n = xCross(D(a), D(b));
  return {n.x, n.y, n.z};
}
double Length(const Vec3& a) { return xLength(D(a)); }
Vec3 Unit(const Vec3& a) {
  const double length = Length(a);
  return length > 0 ? a * (1.0 / length) : a;
}
bool Finite(const Vec3& p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }
Vec3 ToVec3(const xFVector& p) { return {p.x, p.y, p.z}; }

float Channel(float value) { return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f; }

Rgb ColourOf(const xGeoSet& set) {
  const xMaterial* material = set.GetMaterial();
  if (!material) return kNeutralGrey;
  const float* d = material->GetDiffuse();
  return {Channel(d[0]), Channel(d[1]), Channel(d[2])};
}

struct IndexedMesh {
  std::vector<Vec3> points;
  std::vector<std::array<unsigned, 3>> triangles;
};

// Adds the triangles of `mesh`; those with corners outside the points, with
// non-finite corners or without area are left out. Each corner's normal is
// the area-weighted mean of the faces around its point that lie within the
// crease angle of each other; faces of either winding count alike, as parts
// do not keep a consistent one.
bool AddMesh(const IndexedMesh& mesh, const Rgb& colour, DrawList& list) {
  const std::size_t n = mesh.points.size();
  std::vector<std::array<unsigned, 3>> faces;
  std::vector<Vec3> normals;
  for (const auto& t : mesh.triangles) {
    if (t[0] >= n || t[1] >= n || t[2] >= n) continue;
    const Vec3 &a = mesh.points[t[0]], &b = mesh.points[t[1]], &c = mesh.points[t[2]];
    if (!Finite(a) || !Finite(b) || !Finite(c)) continue;
    const Vec3 normal = Cross(b - a, c - a);
    const double area = Length(normal);
    if (!(area > 0) || !std::isfinite(area)) continue;
    faces.push_back(t);
    normals.push_back(normal);
  }
  if (faces.empty()) return false;

  // Corners (face * 3 + k) around each point.
  std::vector<std::size_t> start(n + 1, 0);
  for (const auto& f : faces)
    for (const unsigned v : f) ++start[v + 1];
  for (std::size_t v = 0; v < n; ++v) start[v + 1] += start[v];
  std::vector<std::size_t> corners(start[n]);
  std::vector<std::size_t> fill(start.begin(), start.end() - 1);
  for (std::size_t f = 0; f < faces.size(); ++f)
    for (std::size_t k = 0; k < 3; ++k) corners[fill[faces[f][k]]++] = f * 3 + k;

  struct Cluster {
    Vec3 seed, sum;
  };
  std::vector<Cluster> clusters;
  std::vector<std::size_t> member;
  std::vector<Vec3> cornerNormals(faces.size() * 3);
  for (std::size_t v = 0; v < n; ++v) {
    clusters.clear();
    member.clear();
    for (std::size_t i = start[v]; i < start[v + 1]; ++i) {
      const Vec3& normal = normals[corners[i] / 3];
      const Vec3 unit = Unit(normal);
      std::size_t c = 0;
      while (c < clusters.size() && std::abs(Dot(clusters[c].seed, unit)) < kCreaseCosine) ++c;
      if (c == clusters.size())
        clusters.push_back({unit, normal});
      else
        clusters[c].sum = clusters[c].sum + normal * (Dot(clusters[c].seed, unit) < 0 ? -1.0 : 1.0);
      member.push_back(c);
    }
    for (std::size_t i = start[v]; i < start[v + 1]; ++i) {
      const Vec3& face = normals[corners[i] / 3];
      const Vec3& sum = clusters[member[i - start[v]]].sum;
      cornerNormals[corners[i]] = Unit(Dot(sum, face) < 0 ? sum * -1.0 : sum);
    }
  }

  for (std::size_t f = 0; f < faces.size(); ++f)
    for (std::size_t k = 0; k < 3; ++k) {
      const Vec3& p = mesh.points[faces[f][k]];
      list.triangles.push_back({p, cornerNormals[f * 3 + k], colour});
      list.bounds.Add(p[0], p[1], p[2]);
    }
  return true;
}

bool AddSegment(const Vec3& a, const Vec3& b, const Rgb& colour, DrawList& list) {
  if (!Finite(a) || !Finite(b)) return false;
  list.lines.push_back({a, colour});
  list.lines.push_back({b, colour});
  list.bounds.Add(a[0], a[1], a[2]);
  list.bounds.Add(b[0], b[1], b[2]);
  return true;
}

bool AddTriMesh(const xTriMesh& set, DrawList& list) {
  IndexedMesh mesh;
  for (int i = 0; i < set.GetPointCount(); ++i) mesh.points.push_back(ToVec3(set.GetPoint(i)));
  for (int i = 0; i < set.GetTriangleCount(); ++i) {
    const auto& t = set.GetTriangle(i);
    mesh.triangles.push_back({t.a, t.b, t.c});
  }
  return AddMesh(mesh, ColourOf(set), list);
}

// Polygons as fans from their first vertex.
bool AddPolyMesh(const xPolyMesh& set, DrawList& list) {
  IndexedMesh mesh;
  std::unordered_map<const xPolyPoint*, unsigned> index;
  for (const xPolyPoint* p = set.GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p)) {
    index.emplace(p, static_cast<unsigned>(mesh.points.size()));
    mesh.points.push_back({p->x, p->y, p->z});
  }
  std::vector<unsigned> polygon;
  for (const xPolygon* g = set.GetPolygons().GBegin(); g; g = xTDLinkList<xPolygon>::GNext(g)) {
    polygon.clear();
    for (int i = 0; i < g->GetVertexCount(); ++i) {
      const auto found = index.find(g->GetVertex(i));
      if (found == index.end()) break;
      polygon.push_back(found->second);
    }
    if (polygon.size() != g->GetVertexCount()) continue;
    for (std::size_t i = 1; i + 1 < polygon.size(); ++i)
      mesh.triangles.push_back({polygon[0], polygon[i], polygon[i + 1]});
  }
  return AddMesh(mesh, ColourOf(set), list);
}

bool AddCompactLineSet(const xCompactLineSet& set, DrawList& list) {
  const Rgb colour = ColourOf(set);
  const auto point = [&set](int i) { return ToVec3(set.GetPoint(i)); };
  bool drawn = false;
  set.ForEachSegment([&](int a, int b) { drawn |= AddSegment(point(a), point(b), colour, list); });
  return drawn;
}

bool AddLineSet(const xLineSet& set, DrawList& list) {
  const Rgb colour = ColourOf(set);
  bool drawn = false;
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    for (int i = 0; i + 1 < line->GetPointCount(); ++i) {
      const xLinePoint* a = line->GetPoint(i);
      const xLinePoint* b = line->GetPoint(i + 1);
      if (a && b) drawn |= AddSegment({a->x, a->y, a->z}, {b->x, b->y, b->z}, colour, list);
    }
  return drawn;
}

bool AddPointSet(const xPointSet& set, DrawList& list) {
  const Rgb colour = ColourOf(set);
  bool drawn = false;
  for (int i = 0; i < set.GetPointCount(); ++i) {
    const Vec3 p = ToVec3(set.GetPoint(i));
    if (!Finite(p)) continue;
    list.points.push_back({p, colour});
    list.bounds.Add(p[0], p[1], p[2]);
    drawn = true;
  }
  return drawn;
}

// Each frame as its three axes, sized after everything else.
void AddFrames(const std::vector<const xMatrix*>& frames, DrawList& list) {
  Bounds origins = list.bounds;
  for (const xMatrix* m : frames) origins.Add(m->At(0, 3), m->At(1, 3), m->At(2, 3));
  if (origins.empty) return;
  const Vec3 diagonal = {origins.max[0] - origins.min[0], origins.max[1] - origins.min[1],
                         origins.max[2] - origins.min[2]};
  const double length = Length(diagonal) > 0 ? kFrameAxis * Length(diagonal) : 1.0;
  for (const xMatrix* m : frames) {
    const Vec3 origin = {m->At(0, 3), m->At(1, 3), m->At(2, 3)};
    for (int axis = 0; axis < 3; ++axis) {
      const Vec3 direction = Unit({m->At(0, axis), m->At(1, axis), m->At(2, axis)});
      AddSegment(origin, origin + direction * length, kAxisColours[axis], list);
    }
  }
}

struct Basis {
  Vec3 right, up, toViewer;
};

Basis BasisOf(View view) {
  if (view == View::kTop) return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3 toViewer = {1, 1, 1};
  if (view == View::kFront) toViewer = {0, 1, 0};
  if (view == View::kSide) toViewer = {1, 0, 0};
  toViewer = Unit(toViewer);
  const Vec3 right = Unit(Cross({0, 0, 1}, toViewer));
  return {right, Cross(toViewer, right), toViewer};
}

void Push(std::vector<float>& to, double a, double b, double c) {
  to.push_back(static_cast<float>(a));
  to.push_back(static_cast<float>(b));
  to.push_back(static_cast<float>(c));
}

}  // namespace

namespace {

struct NamedView {
  View view;
  const char* name;
};
constexpr NamedView kViews[] = {
    {View::kIso, "iso"}, {View::kFront, "front"}, {View::kTop, "top"}, {View::kSide, "side"}};

}  // namespace

bool ParseView(const std::string& text, View& view) {
  for (const NamedView& v : kViews)
    if (text == v.name) {
      view = v.view;
      return true;
    }
  return false;
}

const char* ViewName(View view) {
  for (const NamedView& v : kViews)
    if (v.view == view) return v.name;
  return kViews[0].name;
}

DrawList CollectDrawList(xGeometry& geometry) {
  DrawList list;
  std::vector<const xMatrix*> frames;
  int frameSets = 0;
  const xGeoContainer& container = *geometry.GetContainer();
  for (int i = 0; i < container.GetSetCount(); ++i) {
    const xGeoSet* set = container.GetSet(i);
    if (!set) continue;
    list.setsDrawn +=
        xVisitSet(*set, xSetVisitor{
                            [&](const xTriMesh& mesh) { return AddTriMesh(mesh, list); },
                            [&](const xPolyMesh& poly) { return AddPolyMesh(poly, list); },
                            [&](const xCompactLineSet& compact) { return AddCompactLineSet(compact, list); },
                            [&](const xLineSet& lines) { return AddLineSet(lines, list); },
                            [&](const xPointSet& points) { return AddPointSet(points, list); },
                            [&](const xFrameSet& frameSet) {
                              const std::size_t before = frames.size();
                              for (int f = 0; f < frameSet.GetFrameCount(); ++f) {
                                const xMatrix& m = frameSet.GetFrame(f)->GetMatrix();
                                if (Finite({m.At(0, 3), m.At(1, 3), m.At(2, 3)})) frames.push_back(&m);
                              }
                              frameSets += frames.size() > before;
                              return false;
                            },
                            [](const xGeoSet&) { return false; },
                        });
  }
  AddFrames(frames, list);
  list.setsDrawn += frameSets;
  return list;
}

ProjectedScene Project(const DrawList& list, View view, int width, int height) {
  ProjectedScene scene;
  if (list.bounds.empty || width <= 0 || height <= 0) return scene;
  const Basis basis = BasisOf(view);
  const Bounds& box = list.bounds;
  const Vec3 centre = {(box.min[0] + box.max[0]) / 2, (box.min[1] + box.max[1]) / 2,
                       (box.min[2] + box.max[2]) / 2};
  const Vec3 half = {box.max[0] - centre[0], box.max[1] - centre[1], box.max[2] - centre[2]};

  // The box is symmetric about its centre, so its corners' largest offsets
  // along the image axes are sums of the half sizes.
  double right = 0, up = 0;
  for (int i = 0; i < 3; ++i) {
    right += std::abs(half[i] * basis.right[i]);
    up += std::abs(half[i] * basis.up[i]);
  }
  const double aspect = static_cast<double>(width) / height;
  const double radius = Length(half);
  double halfWidth = std::max(right, up * aspect) / (1.0 - 2.0 * kFrameMargin);
  if (!(halfWidth > 0)) halfWidth = radius > 0 ? radius : 1.0;
  const double halfHeight = halfWidth / aspect;
  const double depth = radius > 0 ? radius * 1.01 : 1.0;

  const auto place = [&](std::vector<float>& to, const Vec3& p) {
    const Vec3 d = p - centre;
    Push(to, Dot(d, basis.right) / halfWidth, Dot(d, basis.up) / halfHeight, -Dot(d, basis.toViewer) / depth);
  };
  const auto colour = [](std::vector<float>& to, const Rgb& c, double light) {
    Push(to, std::min(1.0, c[0] * light), std::min(1.0, c[1] * light), std::min(1.0, c[2] * light));
  };

  const Vec3 light = Unit(basis.right * kLight[0] + basis.up * kLight[1] + basis.toViewer * kLight[2]);
  for (std::size_t t = 0; t + 2 < list.triangles.size(); t += 3) {
    const DrawList::Corner* corner = &list.triangles[t];
    // The side facing the viewer is lit, whichever way the face winds.
    const double facing = Dot(corner[0].normal + corner[1].normal + corner[2].normal, basis.toViewer);
    for (int k = 0; k < 3; ++k) {
      const double lambert = Dot(corner[k].normal, light) * (facing < 0 ? -1.0 : 1.0);
      place(scene.triangleVertices, corner[k].position);
      colour(scene.triangleColours, corner[k].colour, kAmbient + kDiffuse * std::max(0.0, lambert));
    }
  }
  for (const DrawList::End& end : list.lines) {
    place(scene.lineVertices, end.position);
    colour(scene.lineColours, end.colour, 1.0);
  }
  for (const DrawList::End& end : list.points) {
    place(scene.pointVertices, end.position);
    colour(scene.pointColours, end.colour, 1.0);
  }
  return scene;
}
