#include "pdb/write/xpdbobjectwriter.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "pdb/xpdbutil.h"

using Text = xTString<char>;

int xPdbObjectWriter::CountSets(xGeometry* geometry, bool (*writable)(int type)) {
  xGeoContainer* container = geometry->GetContainer().GetPtr();
  int count = 0;
  for (int i = 0; i < container->GetSetCount(); ++i)
    if (writable(container->GetSet(i)->GetType())) ++count;
  return count;
}

bool xPdbObjectWriter::IsObjectKind(int type) {
  return type == xGeoTypeLineSet || type == xGeoTypePolyMesh || type == xGeoTypeTriMesh ||
         type == xGeoTypeCompactLineSet;
}

bool xPdbObjectWriter::IsPolyMesh(int type) { return type == xGeoTypePolyMesh; }

xPdbObjectWriter::~xPdbObjectWriter() {
  // Text left here means an exception is leaving; it must not be replaced by another.
  try {
    Flush();
  } catch (...) {
  }
}

void xPdbObjectWriter::Flush() {
  if (m_text.IsEmpty()) return;
  *m_stream << m_text;
  m_text.Clear();
}

void xPdbObjectWriter::Count(int n) {
  m_text.AppendFormat("%d\n", n);
  Pending();
}

void xPdbObjectWriter::Colour(xGeoSet* set) { Count(xPdbUtil::GetDenebIndex(set->GetMaterial())); }

// Formatted straight into the working string, which keeps its room: a point
// allocates nothing.
void xPdbObjectWriter::Point(double x, double y, double z) {
  m_text.AppendFormat("%g %g %g\n", x, y, z);
  Pending();
}

void xPdbObjectWriter::Segment(int from, int to) {
  m_text.AppendFormat("%d %d\n", from, to);
  Pending();
}

void xPdbObjectWriter::Object(xLineSet* lines) {
  lines->RenumberPoints();
  Colour(lines);
  const auto& points = lines->GetPoints();
  Count(points.GCount());
  for (const xLinePoint* p = points.GBegin(); p; p = xTDLinkList<xLinePoint>::GNext(p))
    Point(p->x, p->y, p->z);

  const auto& list = lines->GetLines();
  int segments = 0;
  for (const xLine* line = list.GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    if (line->GetPointCount() > 1) segments += line->GetPointCount() - 1;
  Count(segments);
  for (const xLine* line = list.GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    for (int j = 0; j + 1 < line->GetPointCount(); ++j)
      Segment(line->GetPoint(j)->GetId(), line->GetPoint(j + 1)->GetId());
  Literal("0\n0\n");
}

template <class Set>
void xPdbObjectWriter::PointArray(const Set& set) {
  const int points = set.GetPointCount();
  Count(points);
  for (int i = 0; i < points; ++i) {
    const xFVector& p = set.GetPoint(i);
    Point(p.x, p.y, p.z);
  }
}

void xPdbObjectWriter::PolyMeshPoints(xPolyMesh* mesh) {
  const auto& points = mesh->GetPoints();
  Count(points.GCount());
  for (const xPolyPoint* p = points.GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p))
    Point(p->x, p->y, p->z);
}

template <class Corner>
void xPdbObjectWriter::Polygons(xPolyMesh* mesh, Corner corner) {
  const auto& polygons = mesh->GetPolygons();
  Count(polygons.GCount());
  for (const xPolygon* f = polygons.GBegin(); f; f = xTDLinkList<xPolygon>::GNext(f)) {
    const int n = f->GetVertexCount();
    m_text.AppendFormat("%d ", n);
    for (int j = 0; j < n; ++j) m_text.AppendFormat("%d ", corner(*f, j));
    Literal("\n");
  }
}

void xPdbObjectWriter::PolyMeshPolygons(xPolyMesh* mesh) {
  Polygons(mesh, [](const xPolygon& f, int j) { return f.GetVertex(j)->GetId(); });
}

void xPdbObjectWriter::Object(xPolyMesh* mesh) {
  mesh->RenumberPoints();
  mesh->RenumberPolygons();
  Colour(mesh);
  PolyMeshPoints(mesh);
  Literal("0\n");
  PolyMeshPolygons(mesh);
  Literal("0\n");
}

void xPdbObjectWriter::Object(xTriMesh* mesh) {
  Colour(mesh);
  PointArray(*mesh);
  Literal("0\n");
  const int triangles = mesh->GetTriangleCount();
  Count(triangles);
  for (int i = 0; i < triangles; ++i) {
    const xTriMeshData::xTriangle& t = mesh->GetTriangle(i);
    m_text.AppendFormat("3 %d %d %d\n", static_cast<int>(t.a), static_cast<int>(t.b), static_cast<int>(t.c));
    Pending();
  }
  Literal("0\n");
}

void xPdbObjectWriter::Object(xCompactLineSet* lines) {
  Colour(lines);
  PointArray(*lines);
  Count(lines->GetSegmentCount());
  lines->ForEachSegment([this](int from, int to) { Segment(from, to); });
  Literal("0\n0\n");
}

void xPdbObjectWriter::PolyMeshEdgeRings(xPolyMesh* mesh) {
  const auto& polygons = mesh->GetPolygons();
  // Every undirected edge once, oriented as first walked. A corner's
  // reference is +e when its polygon walks e from its first to its second
  // point and -e the other way, so each reference names its own corner.
  struct Edge {
    int first, second;
  };
  std::vector<Edge> edges;
  std::vector<int> rings;
  std::unordered_map<std::uint64_t, int> known;
  for (const xPolygon* f = polygons.GBegin(); f; f = xTDLinkList<xPolygon>::GNext(f)) {
    const int n = f->GetVertexCount();
    for (int j = 0; j < n; ++j) {
      const int a = f->GetVertex(j)->GetId();
      const int b = f->GetVertex(j + 1 < n ? j + 1 : 0)->GetId();
      const auto lo = static_cast<std::uint32_t>(a < b ? a : b);
      const auto hi = static_cast<std::uint32_t>(a < b ? b : a);
      const auto [at, added] =
          known.try_emplace((std::uint64_t{lo} << 32) | hi, static_cast<int>(edges.size()) + 1);
      if (added) edges.push_back({a, b});
      const int e = at->second;
      rings.push_back(edges[static_cast<std::size_t>(e - 1)].first == a ? e : -e);
    }
  }

  Count(static_cast<int>(edges.size()));
  for (const Edge& e : edges) Segment(e.first, e.second);
  std::size_t r = 0;
  Polygons(mesh, [&](const xPolygon&, int) { return rings[r++]; });
}

void xPdbObjectWriter::PolyMeshObject(xPolyMesh* mesh, bool edges, const char* trailer, int number) {
  mesh->RenumberPoints();
  mesh->RenumberPolygons();
  Colour(mesh);
  if (edges) {
    // The reader passes over the line after the colour; a name keeps it
    // one non-empty word for readers that take it as one.
    m_text.AppendFormat("object%d\n", number);
  }
  PolyMeshPoints(mesh);
  Literal("0\n");
  if (edges)
    PolyMeshEdgeRings(mesh);
  else
    PolyMeshPolygons(mesh);
  Literal(trailer);
}
