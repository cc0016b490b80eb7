// The NURBS surface section: read past, or tessellated into triangle meshes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "host/xassert.h"
#include "pdb/read/streamutil.h"
#include "pdb/read/trimloops.h"
#include "pdb/xpdbutil.h"
#include "surface/glunurbstesselator.h"

namespace {

using Tesselator = GluNurbsTesselator<TriangleStoreIndexed>;

// GLU crashes on order 1 and reports orders above 24 as unsupported.
constexpr int kMinOrder = 2;
constexpr int kMaxOrder = 24;
constexpr std::int64_t kMaxFloats = std::numeric_limits<int>::max();

// Tolerances are bounded by the size of the surface (the diagonal of its
// control-point box). Below about 1e-5 of it GLU loses itself in float
// round-off: empty output, or endless subdivision until the stack overflows
// (trimmed surfaces, strongly rational ones first). 1e-4 keeps a margin and is
// still far finer than a display needs; where the formula gives no usable
// number, 1e-3 of the size is a smooth yet light mesh.
constexpr double kMinRelativeTolerance = 1e-4;
constexpr double kFallbackRelativeTolerance = 1e-3;
// Rough ceiling on the triangles of one surface (see TriangleEstimate).
constexpr double kTriangleBudget = 1e6;
// A surface estimated above this at its coarsest sampling is refused.
constexpr double kTriangleLimit = 4 * kTriangleBudget;
// GLU's own longest segment for path-length sampling, in object units.
constexpr double kGluPathLength = 50.0;

// One surface record as read: header, knots, control points, trimming loops.
struct Surface {
  double uStart = 0, uEnd = 0, vStart = 0, vEnd = 0;
  int uDegree = 0, vDegree = 0, uSegments = 0, vSegments = 0;
  xTQTable<float> uKnots{64}, vKnots{64}, points{256};  // points as x, y, z, w
  int holeCount = 0;
  xTQTable<float> trims{64};  // closed loops of u, v pairs, one after the other
  std::vector<int> loopEnds;  // end of each loop in pairs; the outer loop first
  int colour = 0;
  // The loops as GLU gets them, once checked: see LevelSideTurns.
  std::vector<float> levelled;
  std::vector<int> levelledEnds;
  std::vector<char> added;

  void Clear() {
    uKnots.Clear();
    vKnots.Clear();
    points.Clear();
    trims.Clear();
    loopEnds.clear();
    holeCount = 0;
  }
  std::int64_t UCount() const { return std::int64_t{uDegree} + uSegments; }
  std::int64_t VCount() const { return std::int64_t{vDegree} + vSegments; }
};

std::int64_t KnotCount(int degree, int segments) { return 2 * std::int64_t{degree} + segments + 1; }

template <class T>
T Read(xStream& stream) {
  T value{};
  stream >> value;
  return value;
}

// Reals beyond the float range become infinite, which refuses their surface.
float Narrow(double value) {
  if (std::fabs(value) > std::numeric_limits<float>::max()) return std::copysign(HUGE_VALF, value);
  return static_cast<float>(value);
}

void ReadFloats(xStream& stream, std::int64_t count, xTQTable<float>& table) {
  for (std::int64_t i = 0; i < count && xpdb::StreamSound(stream); ++i)
    table.Append(Narrow(Read<double>(stream)));
}

// The crossing test compares each new point with every accepted edge, so its
// cost grows with the square of a loop's size. Real trimming loops are far
// smaller; a loop ends at this many points, as at a crossing, so that a
// hostile file cannot stall the read.
constexpr int kMaxLoopPoints = 8192;

// Reads k points of one loop and appends the accepted ones, closed, to the
// surface's trims. After the first rejected point the rest are read and
// dropped; so are all of them when the loop is not wanted.
void ReadLoop(xStream& stream, int count, bool outer, bool wanted, Surface& surface, xTQTable<float>& loop) {
  loop.Clear();
  bool rejected = !wanted;
  for (int i = 0; i < count && xpdb::StreamSound(stream); ++i) {
    const float u = Narrow(Read<double>(stream));
    const float v = Narrow(Read<double>(stream));
    if (rejected) continue;
    if (loop.Count() / 2 >= kMaxLoopPoints) {
      rejected = true;
      continue;
    }
    const bool valid =
        outer ? xPdbUtil::isValidOuterPoint(loop, u, v) : xPdbUtil::isValidInnerPoint(loop, u, v);
    if (!valid) {
      rejected = true;
      continue;
    }
    loop.Append(u);
    loop.Append(v);
  }
  if (loop.Count() > 0) {
    loop.Append(loop[0]);
    loop.Append(loop[1]);
  }
  for (int i = 0; i < loop.Count(); ++i) surface.trims.Append(loop[i]);
  surface.loopEnds.push_back(surface.trims.Count() / 2);
}

// Reads one record in file order up to and including its colour; the
// trimming loops only when `trims` is set.
void ReadRecord(xStream& stream, int version, bool trims, Surface& s, xTQTable<float>& loop) {
  stream >> s.uStart >> s.uEnd >> s.vStart >> s.vEnd;
  stream >> s.uDegree >> s.vDegree >> s.uSegments >> s.vSegments;
  if (version < 12) {
    Read<int>(stream);
    Read<int>(stream);
  } else {
    for (int i = 0; i < 3; ++i) Read<double>(stream);
  }
  ReadFloats(stream, KnotCount(s.uDegree, s.uSegments), s.uKnots);
  ReadFloats(stream, KnotCount(s.vDegree, s.vSegments), s.vKnots);
  const std::int64_t nu = s.UCount(), nv = s.VCount();
  if (nu > 0 && nv > 0) {
    for (std::int64_t i = 0; i < nu * nv && xpdb::StreamSound(stream); ++i) {
      const double w = Read<double>(stream), x = Read<double>(stream), y = Read<double>(stream),
                   z = Read<double>(stream);
      s.points.Append(Narrow(x));
      s.points.Append(Narrow(y));
      s.points.Append(Narrow(z));
      s.points.Append(Narrow(w));
    }
  }
  if (version < 10) {
    stream >> s.colour;
    return;
  }
  Read<double>(stream);
  const int outerCount = Read<int>(stream);
  if (outerCount > 0) {
    ReadLoop(stream, outerCount, true, trims, s, loop);
    s.holeCount = Read<int>(stream);
    for (int h = 0; h < s.holeCount && xpdb::StreamSound(stream); ++h)
      ReadLoop(stream, Read<int>(stream), false, trims, s, loop);
  }
  stream >> s.colour;
}

bool Finite(float value) { return std::isfinite(value); }

bool KnotsValid(const xTQTable<float>& knots, std::int64_t expected) {
  if (knots.Count() != expected) return false;
  for (int i = 0; i < knots.Count(); ++i) {
    if (!Finite(knots[i])) return false;
    if (i > 0 && knots[i] < knots[i - 1]) return false;
  }
  return true;
}

// The parameter domain of one direction: from the knot at the order to the
// one at the count of control points.
std::pair<double, double> Domain(const xTQTable<float>& knots, int degree, std::int64_t count) {
  return {knots[degree], knots[static_cast<int>(count)]};
}

// GLU samples every trimming edge along its whole length at the surface's
// rate, also where it runs outside the domain and trims nothing: a point far
// out makes it allocate and walk gigabytes. Loops may stray past the domain by
// at most its own size on each side (round-off and loops drawn around the
// whole patch), which keeps their cost within that of the domain itself.
bool TrimsInDomain(const Surface& s) {
  const auto [u0, u1] = Domain(s.uKnots, s.uDegree, s.UCount());
  const auto [v0, v1] = Domain(s.vKnots, s.vDegree, s.VCount());
  // GLU reports an empty domain itself.
  if (!(u1 > u0) || !(v1 > v0)) return true;
  const double du = u1 - u0, dv = v1 - v0;
  for (int i = 0; i + 1 < s.trims.Count(); i += 2) {
    if (s.trims[i] < u0 - du || s.trims[i] > u1 + du) return false;
    if (s.trims[i + 1] < v0 - dv || s.trims[i + 1] > v1 + dv) return false;
  }
  return true;
}

// Everything GLU is given must be in shape before it sees any of it.
bool Tessellatable(Surface& s) {
  if (s.uDegree + 1 < kMinOrder || s.uDegree + 1 > kMaxOrder) return false;
  if (s.vDegree + 1 < kMinOrder || s.vDegree + 1 > kMaxOrder) return false;
  if (s.uSegments < 1 || s.vSegments < 1) return false;
  const std::int64_t nu = s.UCount(), nv = s.VCount();
  if (nu * nv * 4 > kMaxFloats) return false;
  if (!KnotsValid(s.uKnots, KnotCount(s.uDegree, s.uSegments))) return false;
  if (!KnotsValid(s.vKnots, KnotCount(s.vDegree, s.vSegments))) return false;
  if (s.points.Count() != nu * nv * 4) return false;
  // Weights of one sign keep the surface free of poles.
  const bool positive = s.points[3] > 0.0f;
  for (int i = 0; i < s.points.Count(); i += 4) {
    for (int c = 0; c < 4; ++c)
      if (!Finite(s.points[i + c])) return false;
    const float w = s.points[i + 3];
    if (w == 0.0f || (w > 0.0f) != positive) return false;
  }
  for (int i = 0; i < s.trims.Count(); ++i)
    if (!Finite(s.trims[i])) return false;
  if (!TrimsInDomain(s)) return false;
  if (xpdb::TrimLoopsTouch(s.trims.Data(), s.loopEnds)) return false;
  const float trimKnots[] = {Narrow(s.uStart), Narrow(s.uEnd), Narrow(s.vStart), Narrow(s.vEnd)};
  if (!s.loopEnds.empty())
    for (float k : trimKnots)
      if (!Finite(k)) return false;
  // A level edge must not reach another loop: where one would, shorter ones are tried.
  for (const double length : {1e-3, 1e-5, 1e-7}) {
    xpdb::LevelSideTurns(s.trims.Data(), s.loopEnds, s.levelled, s.levelledEnds, s.added, length);
    if (!xpdb::TrimLoopsTouch(s.levelled.data(), s.levelledEnds, &s.added)) return true;
  }
  return false;
}

struct Point3 {
  double x = 0, y = 0, z = 0;
};

Point3 Euclidean(const Surface& s, std::int64_t i, std::int64_t j) {
  const float* p = &s.points[static_cast<std::size_t>((i * s.VCount() + j) * 4)];
  const double w = p[3];
  return {p[0] / w, p[1] / w, p[2] / w};
}

double Distance(const Point3& a, const Point3& b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

double BoxDiagonal(const Surface& s) {
  Point3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
            std::numeric_limits<double>::max()};
  Point3 hi{-lo.x, -lo.y, -lo.z};
  for (std::int64_t i = 0; i < s.UCount(); ++i)
    for (std::int64_t j = 0; j < s.VCount(); ++j) {
      const Point3 p = Euclidean(s, i, j);
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  return Distance(lo, hi);
}

// How many triangles GLU will make of a surface, from the control net in
// space (GLU bounds the derivatives of the projected net the same way).
// Sampling to a chord error t takes about sqrt(M / 8t) steps per knot span and
// direction, M bounding the second derivatives: for degree p, p(p-1) times the
// largest second difference of the net, or p q times its largest twist.
// Sampling to a path length l takes about L / l steps, L bounding the length
// of a span: p times the largest step of the net, times the spread of the
// weights, which GLU's bound for this sampling grows with.
// Trimming loops cost more than the patch: GLU samples every edge at the
// surface's rate, and each sample splits the grid line it lies on across the
// whole domain, so a loop adds about (its samples) x (steps across the domain
// in both directions). Within a few times of what GLU makes, or above it,
// which is enough to catch a runaway.
class TriangleEstimate {
 public:
  explicit TriangleEstimate(const Surface& s)
      : m_spans(2.0 * s.uSegments * s.vSegments), m_segmentsU(s.uSegments), m_segmentsV(s.vSegments) {
    const double p = s.uDegree, q = s.vDegree;
    const double twist = p * q * Largest(s, Twist);
    m_curveU = std::max(p * (p - 1) * Largest(s, SecondU), twist) / 8.0;
    m_curveV = std::max(q * (q - 1) * Largest(s, SecondV), twist) / 8.0;
    const double spread = WeightSpread(s);
    m_lengthU = p * spread * Largest(s, StepU);
    m_lengthV = q * spread * Largest(s, StepV);
    MeasureTrims(s);
  }

  double AtTolerance(double tolerance) const {
    return WithSteps(std::max(1.0, std::sqrt(m_curveU / tolerance)),
                     std::max(1.0, std::sqrt(m_curveV / tolerance)));
  }
  double AtPathLength(double length) const {
    return WithSteps(std::max(1.0, m_lengthU / length), std::max(1.0, m_lengthV / length));
  }

 private:
  using Difference = double (*)(const Surface&, std::int64_t, std::int64_t);

  // Triangles at the given steps per span and direction.
  double WithSteps(double stepsU, double stepsV) const {
    const double acrossU = m_segmentsU * stepsU, acrossV = m_segmentsV * stepsV;
    const double trimSamples = m_trimEdges + m_trimU * acrossU + m_trimV * acrossV;
    return m_spans * stepsU * stepsV + 2.0 * trimSamples * (acrossU + acrossV);
  }
  // Sums the trimming edges' extents, in domain widths.
  void MeasureTrims(const Surface& s) {
    if (s.loopEnds.empty()) return;
    const auto [u0, u1] = Domain(s.uKnots, s.uDegree, s.UCount());
    const auto [v0, v1] = Domain(s.vKnots, s.vDegree, s.VCount());
    if (!(u1 > u0) || !(v1 > v0)) return;
    int begin = 0;
    for (const int end : s.loopEnds) {
      for (int i = begin; i + 1 < end; ++i) {
        const std::size_t a = static_cast<std::size_t>(i) * 2;
        m_trimU += std::fabs(double{s.trims[a + 2]} - s.trims[a]) / (u1 - u0);
        m_trimV += std::fabs(double{s.trims[a + 3]} - s.trims[a + 1]) / (v1 - v0);
        m_trimEdges += 1.0;
      }
      begin = end;
    }
  }

  static double Norm(const Point3& a) { return std::hypot(a.x, a.y, a.z); }
  static Point3 Combine(const Point3& a, double fa, const Point3& b, double fb, const Point3& c, double fc) {
    return {fa * a.x + fb * b.x + fc * c.x, fa * a.y + fb * b.y + fc * c.y, fa * a.z + fb * b.z + fc * c.z};
  }
  // Each answers 0 where its neighbours fall outside the net.
  static double SecondU(const Surface& s, std::int64_t i, std::int64_t j) {
    if (i + 2 >= s.UCount()) return 0.0;
    return Norm(Combine(Euclidean(s, i, j), 1, Euclidean(s, i + 1, j), -2, Euclidean(s, i + 2, j), 1));
  }
  static double SecondV(const Surface& s, std::int64_t i, std::int64_t j) {
    if (j + 2 >= s.VCount()) return 0.0;
    return Norm(Combine(Euclidean(s, i, j), 1, Euclidean(s, i, j + 1), -2, Euclidean(s, i, j + 2), 1));
  }
  static double Twist(const Surface& s, std::int64_t i, std::int64_t j) {
    if (i + 1 >= s.UCount() || j + 1 >= s.VCount()) return 0.0;
    const Point3 d = Combine(Euclidean(s, i, j), 1, Euclidean(s, i + 1, j), -1, Euclidean(s, i, j + 1), -1);
    return Norm(Combine(d, 1, Euclidean(s, i + 1, j + 1), 1, Point3{}, 0));
  }
  static double StepU(const Surface& s, std::int64_t i, std::int64_t j) {
    if (i + 1 >= s.UCount()) return 0.0;
    return Norm(Combine(Euclidean(s, i + 1, j), 1, Euclidean(s, i, j), -1, Point3{}, 0));
  }
  static double StepV(const Surface& s, std::int64_t i, std::int64_t j) {
    if (j + 1 >= s.VCount()) return 0.0;
    return Norm(Combine(Euclidean(s, i, j + 1), 1, Euclidean(s, i, j), -1, Point3{}, 0));
  }
  static double WeightSpread(const Surface& s) {
    double low = std::numeric_limits<double>::max(), high = 0.0;
    for (int i = 3; i < s.points.Count(); i += 4) {
      low = std::min(low, std::fabs(double{s.points[i]}));
      high = std::max(high, std::fabs(double{s.points[i]}));
    }
    return high / low;
  }
  static double Largest(const Surface& s, Difference difference) {
    double largest = 0.0;
    for (std::int64_t i = 0; i < s.UCount(); ++i)
      for (std::int64_t j = 0; j < s.VCount(); ++j) largest = std::max(largest, difference(s, i, j));
    return largest;
  }

  double m_spans, m_segmentsU, m_segmentsV;
  double m_curveU = 0, m_curveV = 0, m_lengthU = 0, m_lengthV = 0;
  double m_trimEdges = 0, m_trimU = 0, m_trimV = 0;
};

// How finely GLU samples one surface.
struct Sampling {
  float tolerance = 0;      // chord error
  bool pathLength = false;  // GLU's path-length sampling, for more than two holes
};

// The sampling of one surface, or nothing when the surface has no size.
std::optional<Sampling> SurfaceSampling(const Surface& s, float base) {
  const double diagonal = BoxDiagonal(s);
  if (!std::isfinite(diagonal) || diagonal <= 0.0) return std::nullopt;
  const double ratio =
      std::sqrt((s.uEnd - s.uStart) * (s.vEnd - s.vStart)) / (static_cast<double>(s.UCount()) * s.VCount());
  double tolerance = base * Narrow(ratio);
  if (!std::isfinite(tolerance) || tolerance <= 0.0) tolerance = diagonal * kFallbackRelativeTolerance;
  tolerance = std::max(tolerance, diagonal * kMinRelativeTolerance);
  const TriangleEstimate estimate(s);
  while (estimate.AtTolerance(tolerance) > kTriangleBudget && tolerance < diagonal) tolerance *= 2.0;
  // Too many spans or trimming edges for even the coarsest sampling.
  if (estimate.AtTolerance(tolerance) > kTriangleLimit) return std::nullopt;
  Sampling sampling;
  sampling.tolerance = Narrow(tolerance);
  if (!std::isnormal(sampling.tolerance)) return std::nullopt;
  // Path-length sampling ignores the tolerance: where it would run away the
  // surface keeps its chord-error sampling.
  sampling.pathLength = s.holeCount > 2 && estimate.AtPathLength(kGluPathLength) <= kTriangleBudget;
  return sampling;
}

void EmitLoop(Tesselator& tesselator, const Surface& s, float* uv, int begin, int end) {
  // A loop without pieces would make GLU drop the whole surface.
  if (end - begin < 2) return;
  float uKnots[] = {Narrow(s.uStart), Narrow(s.uStart), Narrow(s.uEnd), Narrow(s.uEnd)};
  float vKnots[] = {Narrow(s.vStart), Narrow(s.vStart), Narrow(s.vEnd), Narrow(s.vEnd)};
  tesselator.beginTrim();
  for (int i = begin; i + 1 < end; ++i) {
    const bool even = (i - begin) % 2 == 0;
    tesselator.nurbsCurve(4, even ? uKnots : vKnots, 2, &uv[static_cast<std::size_t>(i) * 2], 2);
  }
  tesselator.endTrim();
}

void Tessellate(Tesselator& tesselator, Surface& s, const Sampling& sampling) {
  const int nv = static_cast<int>(s.VCount());
  tesselator.init(sampling.tolerance);
  tesselator.beginSurface();
  tesselator.nurbsSurface(s.uKnots.Count(), s.uKnots.Data(), s.vKnots.Count(), s.vKnots.Data(), 4 * nv, 4,
                          s.points.Data(), s.uDegree + 1, s.vDegree + 1);
  int begin = 0;
  for (std::size_t loop = 0; loop < s.levelledEnds.size(); ++loop) {
    if (loop == 1 && sampling.pathLength) tesselator.changeTesselationAlgorithm();
    EmitLoop(tesselator, s, s.levelled.data(), begin, s.levelledEnds[loop]);
    begin = s.levelledEnds[loop];
  }
  tesselator.endSurface();
}

// Copies the tessellator's indexed triangles into a new mesh, or null.
xGeoSet* BuildMesh(const Tesselator& tesselator, xPdbUtil::TriMeshReader& reader) {
  reader.Start();
  const unsigned floats = tesselator.vertexFloatCount();
  xGlobalAssert(floats != 0, "xpdbutil", __LINE__);
  reader.SetPointCount(static_cast<int>(floats / 3));
  reader.AddPoints(tesselator.getVertices(), static_cast<int>(floats / 3));
  const unsigned entries = tesselator.size();
  reader.SetPolygonCount(static_cast<int>(entries / 3));
  reader.AddTriangles(tesselator.getIndices(), static_cast<int>(entries / 3), 3);
  return reader.Finish();
}

void AddMesh(xGeometry** geometry, std::unique_ptr<xGeoSet> mesh, int colour) {
  mesh->SetMaterialMode(colour == -2 ? 1 : 2);
  mesh->SetMaterial(xPdbUtil::GetDenebMaterial(colour));
  xGeoContainer& container = xpdb::ContainerOf(geometry);
  container.AddSet(mesh.release());
}

}  // namespace

bool xPdbUtil::SkipSurfaces(xStream* stream, int version, xGeometry** geometry) {
  if (!stream) return false;
  const int count = Read<int>(*stream);
  if (count == 0) return xpdb::StreamSound(*stream);

  // Versions 9 and 10 are only read past; so is any section without a geometry.
  const bool build = geometry && version >= 11;
  std::optional<xNurbsGlBracket> bracket;
  Tesselator* tesselator = nullptr;
  float base = 0.0f;
  if (build) {
    bracket.emplace();
    tesselator = &xSurfaceTesselator();
    base = xNurbsBaseTolerance();
  }
  TriMeshReader reader;
  Surface surface;
  xTQTable<float> loop(64);
  for (int i = 0; i < count && xpdb::StreamSound(*stream); ++i) {
    surface.Clear();
    ReadRecord(*stream, version, build, surface, loop);
    if (!xpdb::StreamSound(*stream)) break;
    if (build) {
      std::optional<Sampling> sampling;
      if (Tessellatable(surface)) sampling = SurfaceSampling(surface, base);
      if (sampling)
        Tessellate(*tesselator, surface, *sampling);
      else
        tesselator->clear();  // refused: nothing of an earlier surface may show up as this one
      std::unique_ptr<xGeoSet> mesh(BuildMesh(*tesselator, reader));
      if (mesh) AddMesh(geometry, std::move(mesh), surface.colour);
    }
    if (version >= 12) ReadSurfaceObject(stream, nullptr, surface.colour);
  }
  return xpdb::StreamSound(*stream);
}

bool xPdbUtil::isValidOuterPoint(xTQTable<float>& loop, float u, float v) {
  const int points = loop.Count() / 2;
  if (points < 3) return true;
  const float lx = loop[static_cast<std::size_t>(points - 1) * 2];
  const float ly = loop[static_cast<std::size_t>(points - 1) * 2 + 1];
  const float d2x = u - lx, d2y = v - ly;
  // Every accepted edge but the last one, which ends where the new one starts.
  for (int k = 0; k + 2 < points; ++k) {
    const float ax = loop[static_cast<std::size_t>(k) * 2], ay = loop[static_cast<std::size_t>(k) * 2 + 1];
    const float d1x = loop[static_cast<std::size_t>(k + 1) * 2] - ax;
    const float d1y = loop[static_cast<std::size_t>(k + 1) * 2 + 1] - ay;
    const float d = d1x * d2y - d2x * d1y;
    if (d == 0.0f) continue;
    const auto t = static_cast<float>((d1x * (ay - ly) - d1y * (ax - lx)) / d);
    const auto s = static_cast<float>((d2x * (ay - ly) - d2y * (ax - lx)) / d);
    if (t >= -0.0001 && t <= 1.0001 && s >= -0.0001 && s <= 1.0001) return false;
  }
  return true;
}

bool xPdbUtil::isValidInnerPoint(xTQTable<float>& loop, float u, float v) {
  return isValidOuterPoint(loop, u, v);
}

int xPdbUtil::ReadSurfaceObject(xStream* stream, xGeometry**, const int) {
  if (!stream) return -1;
  xStream& in = *stream;
  const int points = Read<int>(in);
  for (int i = 0; i < points && xpdb::StreamSound(in); ++i)
    for (int c = 0; c < 3; ++c) Read<double>(in);
  const int edges = Read<int>(in);
  for (int i = 0; i < edges && xpdb::StreamSound(in); ++i) {
    Read<int>(in);
    Read<int>(in);
  }
  const int polygons = Read<int>(in);
  for (int i = 0; i < polygons && xpdb::StreamSound(in); ++i) {
    const int ring = Read<int>(in);
    for (int j = 0; j < ring && xpdb::StreamSound(in); ++j) Read<int>(in);
    for (int c = 0; c < 4; ++c) Read<double>(in);
  }
  return 0;
}
