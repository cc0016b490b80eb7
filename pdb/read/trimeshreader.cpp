#include "pdb/xpdbutil.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "host/xassert.h"

namespace {

constexpr int kInitialCorners = 8;
constexpr std::size_t kFirstRoom = 4096;
constexpr std::size_t kGrowth = 8;

// Room for one more entry. A count read from a file may promise far more than
// follows it, so the mesh makes room as entries arrive, but eightfold at a
// time up to the count (doubling past it): a large mesh is then copied and
// its memory first touched about once, not twice over as with doubling, and
// a short file still never gets much more room than it fills.
template <class T>
void MakeRoom(std::vector<T>& entries, int expected) {
  const std::size_t size = entries.size();
  if (size < entries.capacity()) return;
  const auto announced = static_cast<std::size_t>(std::max(expected, 0));
  entries.reserve(announced > size ? std::min(announced, std::max(kFirstRoom, size * kGrowth))
                                   : std::max(kFirstRoom, size * 2));
}

}  // namespace

xPdbUtil::ObjectReader::~ObjectReader() = default;

xPdbUtil::TriMeshReader::TriMeshReader() : m_corners(kInitialCorners) {}

xPdbUtil::TriMeshReader::~TriMeshReader() { delete m_mesh; }

void xPdbUtil::TriMeshReader::Start() {
  delete m_mesh;
  m_mesh = new xTriMesh;
  m_corners.Clear();
  m_expectedPoints = m_expectedTriangles = 0;
}

void xPdbUtil::TriMeshReader::SetPointCount(int count) {
  if (!m_mesh) return;
  m_mesh->SetPointCount(count, false);
  m_expectedPoints = count;
}

xVector xPdbUtil::TriMeshReader::GetPoint(int index) {
  if (m_mesh && index >= 0 && index < m_mesh->GetPointCount()) return xVector(m_mesh->GetPoint(index));
  xGlobalAssert(false, "xpdbutil", __LINE__);
  return xVector();
}

void xPdbUtil::TriMeshReader::AddPoint(const xVector& point) {
  if (!m_mesh) return;
  auto& points = m_mesh->GetData()->points;
  MakeRoom(points, m_expectedPoints);
  points.push_back(static_cast<xFVector>(point));
}

void xPdbUtil::TriMeshReader::SetPolygonCount(int count) {
  if (!m_mesh) return;
  m_mesh->SetTriangleCount(count, false);
  m_expectedTriangles = count;
}

void xPdbUtil::TriMeshReader::BeginPolygon() { m_corners.Clear(); }

void xPdbUtil::TriMeshReader::AddVertex(int index) {
  if (m_mesh && index >= 0 && static_cast<std::size_t>(index) < m_mesh->GetData()->points.size())
    m_corners.Append(index);
}

void xPdbUtil::TriMeshReader::EndPolygon() {
  const int n = m_corners.Count();
  if (!m_mesh || n < 3) return;
  const auto first = static_cast<unsigned>(m_corners[0]);
  auto& triangles = m_mesh->GetData()->triangles;
  for (int j = 1; j + 1 < n; ++j) {
    MakeRoom(triangles, m_expectedTriangles);
    triangles.push_back(
        {first, static_cast<unsigned>(m_corners[j]), static_cast<unsigned>(m_corners[j + 1])});
  }
}

void xPdbUtil::TriMeshReader::AddPoints(const float* xyz, int count) {
  if (!m_mesh || count <= 0) return;
  auto& points = m_mesh->GetData()->points;
  points.reserve(points.size() + static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i, xyz += 3) points.push_back(xFVector(xyz[0], xyz[1], xyz[2]));
}

void xPdbUtil::TriMeshReader::AddTriangles(const unsigned* entries, int count, unsigned stride) {
  if (!m_mesh || count <= 0 || stride == 0) return;
  auto& triangles = m_mesh->GetData()->triangles;
  const std::size_t points = m_mesh->GetData()->points.size();
  triangles.reserve(triangles.size() + static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i, entries += 3) {
    const unsigned a = entries[0] / stride, b = entries[1] / stride, c = entries[2] / stride;
    // A corner outside the points is dropped, and two corners make no triangle.
    if (a < points && b < points && c < points) triangles.push_back({a, b, c});
  }
}

xGeoSet* xPdbUtil::TriMeshReader::Finish() {
  xTriMesh* mesh = m_mesh;
  m_mesh = nullptr;
  if (!mesh) return nullptr;
  if (mesh->GetTriangleCount() == 0) {
    delete mesh;
    return nullptr;
  }
  mesh->Refresh(false);
  return mesh;
}
