#include "host/xassert.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kInitialCorners = 8;
}

xPdbUtil::ObjectReader::~ObjectReader() = default;

xPdbUtil::TriMeshReader::TriMeshReader() : m_corners(kInitialCorners) {}

xPdbUtil::TriMeshReader::~TriMeshReader() { delete m_mesh; }

void xPdbUtil::TriMeshReader::Start() {
  delete m_mesh;
  m_mesh = new xTriMesh;
  m_corners.Clear();
}

void xPdbUtil::TriMeshReader::SetPointCount(int count) {
  if (m_mesh) m_mesh->SetPointCount(count, false);
}

xVector xPdbUtil::TriMeshReader::GetPoint(int index) {
  if (m_mesh && index >= 0 && index < m_mesh->GetPointCount()) return xVector(m_mesh->GetPoint(index));
  xGlobalAssert(false, "xpdbutil", __LINE__);
  return xVector();
}

void xPdbUtil::TriMeshReader::AddPoint(const xVector& point) {
  if (m_mesh) m_mesh->AddPoint(static_cast<xFVector>(point));
}

void xPdbUtil::TriMeshReader::SetPolygonCount(int count) {
  if (m_mesh) m_mesh->SetTriangleCount(count, false);
}

void xPdbUtil::TriMeshReader::BeginPolygon() { m_corners.Clear(); }

void xPdbUtil::TriMeshReader::AddVertex(int index) {
  if (m_mesh && index >= 0 && index < m_mesh->GetPointCount()) m_corners.Append(index);
}

void xPdbUtil::TriMeshReader::EndPolygon() {
  const int n = m_corners.Count();
  if (!m_mesh || n < 3) return;
  const auto first = static_cast<unsigned>(m_corners[0]);
  for (int j = 1; j + 1 < n; ++j)
    m_mesh->AddTriangle(xTriMeshData::xTriangle{first, static_cast<unsigned>(m_corners[j]),
                                                static_cast<unsigned>(m_corners[j + 1])});
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
