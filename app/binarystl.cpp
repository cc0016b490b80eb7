#include "app/binarystl.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/outputfile.h"
#include "app/progressbar.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

// Not "solid": readers take a file that starts so for text STL.
constexpr char kHeader[] = "binary STL written by xpdb";
constexpr std::size_t kFacetBytes = 50;

struct Corner {
  double x, y, z;
};

class FacetWriter {
 public:
  explicit FacetWriter(ReplacingFile& file) : m_file(file) { m_buffer.reserve(kChunk); }

  void Facet(const Corner& a, const Corner& b, const Corner& c) {
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0 && std::isfinite(length)) {
      nx /= length;
      ny /= length;
      nz /= length;
    } else {
      nx = ny = nz = 0;
    }
    const float values[12] = {static_cast<float>(nx),  static_cast<float>(ny),  static_cast<float>(nz),
                              static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z),
                              static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.z),
                              static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(c.z)};
    char facet[kFacetBytes] = {};
    std::memcpy(facet, values, sizeof values);
    m_buffer.append(facet, kFacetBytes);
    if (m_buffer.size() >= kChunk) Flush();
  }

  bool Flush() {
    const auto size = static_cast<std::streamsize>(m_buffer.size());
    const bool ok = m_file.sputn(m_buffer.data(), size) == size;
    m_buffer.clear();
    m_ok = m_ok && ok;
    return m_ok;
  }

 private:
  static constexpr std::size_t kChunk = kFacetBytes << 14;
  ReplacingFile& m_file;
  std::string m_buffer;
  bool m_ok = true;
};

Corner Of(const xFVector& p) { return {p.x, p.y, p.z}; }
Corner Of(const xPolyPoint& p) { return {p.x, p.y, p.z}; }

template <class Fn>
void ForEachTriangle(const xTriMesh& mesh, Fn fn) {
  const auto points = static_cast<unsigned>(mesh.GetPointCount());
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    if (t.a < points && t.b < points && t.c < points)
      fn(Of(mesh.GetPoint(static_cast<int>(t.a))), Of(mesh.GetPoint(static_cast<int>(t.b))),
         Of(mesh.GetPoint(static_cast<int>(t.c))));
  }
}

// Fans, as the PDB readers triangulate polygons.
template <class Fn>
void ForEachTriangle(const xPolyMesh& mesh, Fn fn) {
  for (const xPolygon* polygon = mesh.GetPolygons().GBegin(); polygon;
       polygon = xTDLinkList<xPolygon>::GNext(polygon))
    for (int k = 1; k + 1 < polygon->GetVertexCount(); ++k)
      fn(Of(*polygon->GetVertex(0)), Of(*polygon->GetVertex(k)), Of(*polygon->GetVertex(k + 1)));
}

const char* TypeName(const xGeoSet& set) {
  switch (set.GetType()) {
    case xGeoTypePolyMesh:
      return "xPolyMesh";
    case xGeoTypeLineSet:
      return "xLineSet";
    case xGeoTypePointSet:
      return "xPointSet";
    case xGeoTypeFrameSet:
      return "xFrameSet";
    case xGeoTypeTriMesh:
      return "xTriMesh";
    case xGeoTypeCompactLineSet:
      return "xCompactLineSet";
    default:
      return "xGeoSet";
  }
}

template <class Fn>
void ForEachSetTriangle(const xGeoSet& set, Fn fn) {
  if (const auto* tri = dynamic_cast<const xTriMesh*>(&set)) ForEachTriangle(*tri, fn);
  if (const auto* poly = dynamic_cast<const xPolyMesh*>(&set)) ForEachTriangle(*poly, fn);
}

}  // namespace

MeshExport ExportBinaryStl(xGeometry& geometry, const std::string& path, ProgressBar& progress) {
  MeshExport result;
  xGeoContainer& container = *geometry.GetContainer();
  const int count = container.GetSetCount();
  std::uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    const xGeoSet& set = *container.GetSet(i);
    if (!dynamic_cast<const xTriMesh*>(&set) && !dynamic_cast<const xPolyMesh*>(&set)) {
      ++result.leftOut[TypeName(set)];
      continue;
    }
    std::uint64_t triangles = 0;
    ForEachSetTriangle(set, [&](const Corner&, const Corner&, const Corner&) { ++triangles; });
    if (triangles == 0) {
      ++result.leftOut[std::string("empty ") + TypeName(set)];
      continue;
    }
    total += triangles;
    ++result.setsWritten;
  }
  if (result.setsWritten == 0) {
    result.code = kExitFailed;
    result.problem = "cannot write " + path + " as binary STL: no set has a triangle";
    return result;
  }
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    result.code = kExitFailed;
    result.problem = "cannot write " + path + " as binary STL: " + std::to_string(total) +
                     " triangles, more than the format's 4 294 967 295";
    return result;
  }

  ReplacingFile file;
  if (!file.Open(path, result.problem)) {
    result.code = kExitFailed;
    return result;
  }
  char head[84] = {};
  std::memset(head, ' ', 80);
  std::memcpy(head, kHeader, sizeof kHeader - 1);
  const auto triangles = static_cast<std::uint32_t>(total);
  std::memcpy(head + 80, &triangles, sizeof triangles);
  bool ok = file.sputn(head, sizeof head) == static_cast<std::streamsize>(sizeof head);
  FacetWriter writer(file);
  std::uint64_t written = 0;
  for (int i = 0; i < count && ok; ++i) {
    ForEachSetTriangle(*container.GetSet(i), [&](const Corner& a, const Corner& b, const Corner& c) {
      writer.Facet(a, b, c);
      if (++written % (1 << 16) == 0)
        progress.Update(static_cast<double>(written) / static_cast<double>(total));
    });
  }
  ok = ok && writer.Flush();
  if (!ok) {
    result.code = kExitFailed;
    result.problem = file.WriteError();
    if (result.problem.empty()) result.problem = "cannot write " + path;
    return result;
  }
  if (!file.Commit(result.problem)) {
    result.code = kExitFailed;
    return result;
  }
  result.files = {path};
  progress.Done();
  return result;
}
