#include "xpolymesh.h"

#include <limits>

bool xPolygon::AddVertex(xPolyPoint* point) {
  if (m_vertices.size() >= std::numeric_limits<std::uint16_t>::max()) return false;
  m_vertices.push_back(point);
  return true;
}

xPolyMesh::xPolyMesh() : m_data(new xPolyMeshData) {}
xPolyMesh::~xPolyMesh() = default;

xPolyPoint* xPolyMesh::AddPoint(double x, double y, double z, int id) {
  auto* point = new xPolyPoint(x, y, z);
  point->SetId(id);
  m_data->points.Append(point);
  return point;
}

xPolygon* xPolyMesh::NewPolygon() {
  auto* polygon = new xPolygon;
  polygon->SetId(m_data->polygons.GCount());
  m_data->polygons.Append(polygon);
  return polygon;
}

void xPolyMesh::RenumberPoints() {
  int id = 0;
  for (xPolyPoint* p = m_data->points.GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p)) p->SetId(id++);
}

void xPolyMesh::RenumberPolygons() {
  int id = 0;
  for (xPolygon* p = m_data->polygons.GBegin(); p; p = xTDLinkList<xPolygon>::GNext(p)) p->SetId(id++);
}
