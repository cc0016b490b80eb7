#include "xtrimesh.h"

#include <algorithm>

namespace {
// A count read from a file can be far larger than what follows it, so a
// count only makes this much room up front; the rest grows as data arrives.
constexpr int kMaxHint = 1 << 12;
}  // namespace

xTriMesh::xTriMesh() : m_data(new xTriMeshData) {}
xTriMesh::~xTriMesh() = default;

void xTriMesh::Refresh(bool) {}

void xTriMesh::SetPointCount(int n, bool keep) {
  auto& points = m_data->points;
  if (!keep) points.clear();
  if (n > 0) points.reserve(points.size() + static_cast<std::size_t>(std::min(n, kMaxHint)));
}

void xTriMesh::SetTriangleCount(int n, bool keep) {
  auto& triangles = m_data->triangles;
  if (!keep) triangles.clear();
  if (n > 0) triangles.reserve(triangles.size() + static_cast<std::size_t>(std::min(n, kMaxHint)));
}

int xTriMesh::AddPoint(double x, double y, double z) {
  return AddPoint(xFVector(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
}

int xTriMesh::AddPoint(const xFVector& p) {
  auto& points = m_data->points;
  points.push_back(p);
  return static_cast<int>(points.size()) - 1;
}

void xTriMesh::AddTriangle(unsigned a, unsigned b, unsigned c) { m_data->triangles.push_back({a, b, c}); }

void xTriMesh::AddTriangle(const xTriMeshData::xTriangle& t) { m_data->triangles.push_back(t); }

int xTriMesh::GetPointCount() const { return static_cast<int>(m_data->points.size()); }
int xTriMesh::GetTriangleCount() const { return static_cast<int>(m_data->triangles.size()); }
