#include "app/convert/pdbsplit.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/xcompactlineset.h"
#include "host/xlineset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtrimesh.h"

namespace {

// Versions 12 and 14 store polygons as rings of numbered edges.
bool CountsEdges(int version) { return version >= 12; }

struct Point3 {
  double x, y, z;
};

// A mesh to cut: its points and its faces as rings of point positions.
struct FaceSource {
  std::vector<Point3> points;
  std::vector<int> corners;
  std::vector<int> faceEnds;  // end of each face in `corners`
};

std::uint64_t EdgeKey(int a, int b) {
  const auto lo = static_cast<std::uint32_t>(std::min(a, b)), hi = static_cast<std::uint32_t>(std::max(a, b));
  return (std::uint64_t{lo} << 32) | hi;
}

void Inherit(xGeoSet& piece, const xGeoSet& from) {
  piece.SetMaterial(from.GetMaterial());
  piece.SetMaterialMode(from.GetMaterialMode());
  piece.SetLayer(from.GetLayer());
}

// Collects faces into pieces of at most `limit` points, faces and (when
// counted) distinct edges, each piece a triangle or polygon mesh over the
// points its faces use, in order of first use.
class MeshCutter {
 public:
  MeshCutter(const FaceSource& source, const xGeoSet& like, bool polygons, bool edges, int limit,
             std::vector<std::unique_ptr<xGeoSet>>& out)
      : m_source(source),
        m_like(like),
        m_polygons(polygons),
        m_edges(edges),
        m_limit(limit),
        m_out(out),
        m_local(source.points.size(), -1),
        m_seen(source.points.size(), -1),
        m_used(source.points.size(), false) {}

  void Run() {
    int begin = 0;
    for (const int end : m_source.faceEnds) {
      Face(&m_source.corners[static_cast<std::size_t>(begin)], end - begin);
      begin = end;
    }
    // Points that no face uses are kept too, as the writer would have kept them.
    for (std::size_t i = 0; i < m_source.points.size(); ++i) {
      if (m_used[i]) continue;
      if (static_cast<int>(m_piecePoints.size()) >= m_limit) Flush();
      Take(static_cast<int>(i));
    }
    Flush();
  }

 private:
  void Face(const int* corners, int n) {
    int newPoints = 0, newEdges = 0;
    ++m_face;
    for (int k = 0; k < n; ++k) {
      const auto c = static_cast<std::size_t>(corners[k]);
      if (m_local[c] < 0 && m_seen[c] != m_face) ++newPoints;
      m_seen[c] = m_face;
    }
    if (m_edges) newEdges = NewEdges(corners, n);
    if (newPoints > m_limit || newEdges > m_limit) {
      // Only a polygon of more corners than the limit gets here; the readers
      // cut it into this same fan.
      for (int k = 1; k + 1 < n; ++k) {
        const int triangle[3] = {corners[0], corners[k], corners[k + 1]};
        Face(triangle, 3);
      }
      return;
    }
    const auto size = static_cast<int>(m_piecePoints.size());
    if (m_pieceFaces > 0 && (size + newPoints > m_limit || m_pieceFaces + 1 > m_limit ||
                             static_cast<int>(m_pieceEdges.size()) + newEdges > m_limit)) {
      Flush();
      Face(corners, n);
      return;
    }
    for (int k = 0; k < n; ++k) {
      Take(corners[k]);
      m_pieceCorners.push_back(m_local[static_cast<std::size_t>(corners[k])]);
      if (m_edges) m_pieceEdges.insert(EdgeKey(corners[k], corners[(k + 1) % n]));
    }
    m_pieceEnds.push_back(static_cast<int>(m_pieceCorners.size()));
    ++m_pieceFaces;
  }

  // Edges that the face would add to the piece, each once; kept in a
  // vector, as a set would allocate for every face.
  int NewEdges(const int* corners, int n) {
    m_faceEdges.clear();
    for (int k = 0; k < n; ++k) {
      const std::uint64_t key = EdgeKey(corners[k], corners[(k + 1) % n]);
      if (!m_pieceEdges.count(key)) m_faceEdges.push_back(key);
    }
    std::sort(m_faceEdges.begin(), m_faceEdges.end());
    return static_cast<int>(std::unique(m_faceEdges.begin(), m_faceEdges.end()) - m_faceEdges.begin());
  }

  void Take(int point) {
    const auto p = static_cast<std::size_t>(point);
    if (m_local[p] >= 0) return;
    m_local[p] = static_cast<int>(m_piecePoints.size());
    m_piecePoints.push_back(point);
    m_used[p] = true;
  }

  void Flush() {
    if (m_piecePoints.empty() && m_pieceFaces == 0) return;
    std::unique_ptr<xGeoSet> piece = m_polygons ? PolyPiece() : TriPiece();
    Inherit(*piece, m_like);
    m_out.push_back(std::move(piece));
    for (const int p : m_piecePoints) m_local[static_cast<std::size_t>(p)] = -1;
    m_piecePoints.clear();
    m_pieceCorners.clear();
    m_pieceEnds.clear();
    m_pieceEdges.clear();
    m_pieceFaces = 0;
  }

  std::unique_ptr<xGeoSet> TriPiece() const {
    auto mesh = std::make_unique<xTriMesh>();
    auto& data = *mesh->GetData();
    data.points.reserve(m_piecePoints.size());
    for (const int p : m_piecePoints) {
      const Point3& q = m_source.points[static_cast<std::size_t>(p)];
      data.points.emplace_back(static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z));
    }
    data.triangles.reserve(m_pieceEnds.size());
    for (std::size_t i = 0; i < m_pieceEnds.size(); ++i) {
      const auto* c = &m_pieceCorners[3 * i];
      data.triangles.push_back(
          {static_cast<unsigned>(c[0]), static_cast<unsigned>(c[1]), static_cast<unsigned>(c[2])});
    }
    mesh->Refresh(true);
    return mesh;
  }

  std::unique_ptr<xGeoSet> PolyPiece() const {
    auto mesh = std::make_unique<xPolyMesh>();
    std::vector<xPolyPoint*> points;
    points.reserve(m_piecePoints.size());
    for (const int p : m_piecePoints) {
      const Point3& q = m_source.points[static_cast<std::size_t>(p)];
      points.push_back(mesh->AddPoint(q.x, q.y, q.z, static_cast<int>(points.size())));
    }
    int begin = 0;
    for (const int end : m_pieceEnds) {
      xPolygon* polygon = mesh->NewPolygon();
      for (int k = begin; k < end; ++k)
        polygon->AddVertex(points[static_cast<std::size_t>(m_pieceCorners[static_cast<std::size_t>(k)])]);
      begin = end;
    }
    mesh->RenumberPolygons();
    return mesh;
  }

  const FaceSource& m_source;
  const xGeoSet& m_like;
  const bool m_polygons, m_edges;
  const int m_limit;
  std::vector<std::unique_ptr<xGeoSet>>& m_out;
  std::vector<int> m_local;  // position in the piece, -1 when not in it
  std::vector<int> m_seen;   // the last face that counted the point
  std::vector<bool> m_used;
  int m_face = 0;
  std::vector<int> m_piecePoints, m_pieceCorners, m_pieceEnds;
  std::unordered_set<std::uint64_t> m_pieceEdges;
  std::vector<std::uint64_t> m_faceEdges;
  int m_pieceFaces = 0;
};

// Triangles with a corner outside the point table are left out: the readers
// drop such corners, and with them the triangle.
FaceSource FacesOf(const xTriMesh& mesh) {
  FaceSource source;
  const int count = mesh.GetPointCount();
  source.points.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const xFVector& p = mesh.GetPoint(i);
    source.points.push_back({p.x, p.y, p.z});
  }
  const auto points = static_cast<unsigned>(count);
  source.corners.reserve(3 * static_cast<std::size_t>(mesh.GetTriangleCount()));
  source.faceEnds.reserve(static_cast<std::size_t>(mesh.GetTriangleCount()));
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    if (t.a >= points || t.b >= points || t.c >= points) continue;
    source.corners.insert(source.corners.end(),
                          {static_cast<int>(t.a), static_cast<int>(t.b), static_cast<int>(t.c)});
    source.faceEnds.push_back(static_cast<int>(source.corners.size()));
  }
  return source;
}

FaceSource FacesOf(xPolyMesh& mesh) {
  FaceSource source;
  mesh.RenumberPoints();
  std::vector<const xPolyPoint*> byId;
  source.points.reserve(static_cast<std::size_t>(mesh.GetPoints().GCount()));
  byId.reserve(source.points.capacity());
  source.faceEnds.reserve(static_cast<std::size_t>(mesh.GetPolygons().GCount()));
  for (const xPolyPoint* p = mesh.GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p)) {
    source.points.push_back({p->x, p->y, p->z});
    byId.push_back(p);
  }
  for (const xPolygon* f = mesh.GetPolygons().GBegin(); f; f = xTDLinkList<xPolygon>::GNext(f)) {
    for (int k = 0; k < f->GetVertexCount(); ++k) {
      // A vertex that is not one of the mesh's points cannot be placed.
      const xPolyPoint* v = f->GetVertex(k);
      const int id = v->GetId();
      if (id >= 0 && static_cast<std::size_t>(id) < byId.size() && byId[static_cast<std::size_t>(id)] == v)
        source.corners.push_back(id);
    }
    source.faceEnds.push_back(static_cast<int>(source.corners.size()));
  }
  return source;
}

// Polylines of a line set or compact line set, cut into pieces of at most
// `limit` points; a polyline that goes on in the next piece repeats its last
// point there, so that no segment is lost.
class LineCutter {
 public:
  LineCutter(const xGeoSet& like, int limit, std::vector<std::unique_ptr<xGeoSet>>& out)
      : m_like(like), m_limit(limit), m_out(out) {}

  void Pair(const xFVector& a, const xFVector& b) {
    if (m_points + 2 > m_limit) Flush();
    Piece().AddLinePoints(a.x, a.y, a.z, b.x, b.y, b.z);
    m_points += 2;
  }

  template <class PointAt>
  void PolyLine(int size, PointAt point) {
    bool start = true;
    for (int i = 0; i < size; ++i) {
      if (m_points + 1 > m_limit || (start && size > 1 && m_points + 2 > m_limit)) {
        Flush();
        // The segment to the first point of the new piece.
        if (!start) {
          Add(point(i - 1), true);
          start = false;
        }
      }
      Add(point(i), start);
      start = false;
    }
  }

  void Flush() {
    if (!m_piece) return;
    m_piece->Update();
    Inherit(*m_piece, m_like);
    m_out.push_back(std::move(m_piece));
    m_points = 0;
  }

 private:
  xCompactLineSet& Piece() {
    if (!m_piece) m_piece = std::make_unique<xCompactLineSet>();
    return *m_piece;
  }
  void Add(const xFVector& p, bool start) {
    Piece().AddPolyLinePoint(p.x, p.y, p.z, start);
    ++m_points;
  }

  const xGeoSet& m_like;
  const int m_limit;
  std::vector<std::unique_ptr<xGeoSet>>& m_out;
  std::unique_ptr<xCompactLineSet> m_piece;
  int m_points = 0;
};

void CutLines(const xCompactLineSet& set, int limit, std::vector<std::unique_ptr<xGeoSet>>& out) {
  LineCutter cutter(set, limit, out);
  const int pairPoints = set.GetPairPointCount();
  for (int i = 0; i + 1 < pairPoints; i += 2) cutter.Pair(set.GetPoint(i), set.GetPoint(i + 1));
  if (pairPoints % 2 == 1) cutter.PolyLine(1, [&](int) { return set.GetPoint(pairPoints - 1); });
  for (int line = 0; line < set.GetPolyLineCount(); ++line) {
    const xCompactLineSpan span = set.GetPolyLineSpan(line);
    cutter.PolyLine(span.end - span.first, [&](int i) { return set.GetPoint(span.first + i); });
  }
  cutter.Flush();
}

// A line set goes over as a compact line set of its lines; the readers give
// back either as one.
void CutLines(const xLineSet& set, int limit, std::vector<std::unique_ptr<xGeoSet>>& out) {
  LineCutter cutter(set, limit, out);
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    cutter.PolyLine(line->GetPointCount(), [line](int i) {
      const xLinePoint* p = line->GetPoint(i);
      return xFVector(static_cast<float>(p->x), static_cast<float>(p->y), static_cast<float>(p->z));
    });
  cutter.Flush();
}

long long SegmentCount(const xLineSet& set) {
  long long segments = 0;
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    segments += std::max(line->GetPointCount() - 1, 0);
  return segments;
}

long long CornerCount(const xPolyMesh& mesh) {
  long long corners = 0;
  for (const xPolygon* f = mesh.GetPolygons().GBegin(); f; f = xTDLinkList<xPolygon>::GNext(f))
    corners += f->GetVertexCount();
  return corners;
}

// Whether the writer of `version` writes the set as one object that reads
// back. Edges are bounded by corners; only where those exceed the limit are
// the edges counted, while cutting.
bool Fits(const xGeoSet& set, int version, int limit) {
  const bool edges = CountsEdges(version);
  return xVisitSet(set, xSetVisitor{
                            [=](const xTriMesh& tri) {
                              return tri.GetPointCount() <= limit && tri.GetTriangleCount() <= limit &&
                                     (!edges || 3LL * tri.GetTriangleCount() <= limit);
                            },
                            [=](const xPolyMesh& poly) {
                              return poly.GetPoints().GCount() <= limit &&
                                     poly.GetPolygons().GCount() <= limit &&
                                     (!edges || CornerCount(poly) <= limit);
                            },
                            // Segments never outnumber the points of a compact line set.
                            [=](const xCompactLineSet& compact) { return compact.GetPointCount() <= limit; },
                            [=](const xLineSet& lines) {
                              return lines.GetPoints().GCount() <= limit && SegmentCount(lines) <= limit;
                            },
                            [](const xGeoSet&) { return true; },
                        });
}

bool Writable(const xGeoSet& set, int version) {
  const int type = set.GetType();
  if (type == xGeoTypePolyMesh || type == xGeoTypeTriMesh) return true;
  return version <= 9 && (type == xGeoTypeLineSet || type == xGeoTypeCompactLineSet);
}

// A new set with the content of `set`, which is left empty.
std::unique_ptr<xGeoSet> TakeOver(xGeoSet& set) {
  // Only the sets that keep their content behind one reference.
  const auto take = []<class Kind>(Kind& from) -> std::unique_ptr<xGeoSet> {
    auto taken = std::make_unique<Kind>();
    std::swap(taken->GetData(), from.GetData());
    return taken;
  };
  std::unique_ptr<xGeoSet> result =
      xVisitSet(set, xSetVisitor{
                         [&](xTriMesh& tri) { return take(tri); },
                         [&](xPolyMesh& poly) { return take(poly); },
                         [&](xCompactLineSet& compact) { return take(compact); },
                         [](xGeoSet&) { return std::unique_ptr<xGeoSet>(); },
                     });
  if (result) Inherit(*result, set);
  return result;
}

// Every point in its place, each triangle a polygon of three corners.
std::unique_ptr<xGeoSet> AsPolyMesh(xTriMesh& tri) {
  auto mesh = std::make_unique<xPolyMesh>();
  std::vector<xPolyPoint*> points;
  const int count = tri.GetPointCount();
  points.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const xFVector& p = tri.GetPoint(i);
    points.push_back(mesh->AddPoint(p.x, p.y, p.z, i));
  }
  const auto n = static_cast<unsigned>(count);
  for (int i = 0; i < tri.GetTriangleCount(); ++i) {
    const auto& t = tri.GetTriangle(i);
    if (t.a >= n || t.b >= n || t.c >= n) continue;
    xPolygon* polygon = mesh->NewPolygon();
    for (const unsigned c : {t.a, t.b, t.c}) polygon->AddVertex(points[c]);
  }
  mesh->RenumberPolygons();
  Inherit(*mesh, tri);
  return mesh;
}

// The pieces that stand for one set in the file.
void Prepare(xGeoSet& set, int version, int limit, std::vector<std::unique_ptr<xGeoSet>>& out) {
  auto* tri = dynamic_cast<xTriMesh*>(&set);
  const bool toPolygons = version > 9 && tri;
  if (Fits(set, version, limit)) {
    if (toPolygons)
      out.push_back(AsPolyMesh(*tri));
    else if (auto* lines = dynamic_cast<xLineSet*>(&set))
      CutLines(*lines, limit, out);
    else
      out.push_back(TakeOver(set));
  } else if (tri) {
    MeshCutter(FacesOf(*tri), set, toPolygons, CountsEdges(version), limit, out).Run();
  } else if (auto* poly = dynamic_cast<xPolyMesh*>(&set)) {
    MeshCutter(FacesOf(*poly), set, true, CountsEdges(version), limit, out).Run();
  } else if (auto* compact = dynamic_cast<xCompactLineSet*>(&set)) {
    CutLines(*compact, limit, out);
  } else if (auto* lines = dynamic_cast<xLineSet*>(&set)) {
    CutLines(*lines, limit, out);
  }
  // The content went over; the memory goes with it.
  if (tri) {
    tri->GetData()->points = {};
    tri->GetData()->triangles = {};
  }
}

}  // namespace

PdbGeometry PrepareForPdb(xGeometry& geometry, int version, int limit) {
  limit = std::max(limit, 3);
  PdbGeometry result;
  xGeoContainer& container = *geometry.GetContainer();
  bool change = false;
  for (int i = 0; i < container.GetSetCount(); ++i) {
    xGeoSet& set = *container.GetSet(i);
    if (!Writable(set, version)) continue;
    ++result.objects;
    change = change || (version > 9 && set.GetType() == xGeoTypeTriMesh) || !Fits(set, version, limit);
  }
  if (!change) return result;

  result.geometry = std::make_unique<xGeometry>();
  result.objects = 0;
  xGeoContainer& into = *result.geometry->GetContainer();
  std::vector<std::unique_ptr<xGeoSet>> pieces;
  for (int i = 0; i < container.GetSetCount(); ++i) {
    xGeoSet& set = *container.GetSet(i);
    if (!Writable(set, version)) continue;
    pieces.clear();
    Prepare(set, version, limit, pieces);
    if (pieces.size() > 1) ++result.split;
    for (auto& piece : pieces) {
      into.AddSet(piece.release());
      ++result.objects;
    }
  }
  return result;
}
