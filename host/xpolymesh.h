#pragma once

#include <cstdint>
#include <vector>

#include "xgeoset.h"
#include "xlinklist.h"
#include "xsmartptr.h"
#include "xvector.h"

class XHOST_API xPolyPoint : public xDLinkNode, public xGeoData {
 public:
  xPolyPoint(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
  double x, y, z;
};

class XHOST_API xPolygon : public xDLinkNode, public xGeoData {
 public:
  // The vertex count is an unsigned 16-bit number: vertices beyond it are refused.
  bool AddVertex(xPolyPoint* point);
  std::uint16_t GetVertexCount() const { return static_cast<std::uint16_t>(m_vertices.size()); }
  xPolyPoint* GetVertex(int i) const { return m_vertices[static_cast<std::size_t>(i)]; }

 private:
  std::vector<xPolyPoint*> m_vertices;
};

class XHOST_API xPolyMeshData {
 public:
  xTDLinkList<xPolyPoint> points;
  xTDLinkList<xPolygon> polygons;
};

// Polygons over a linked list of double-precision points.
class XHOST_API xPolyMesh : public xGeoSet {
 public:
  xPolyMesh();
  ~xPolyMesh() override;
  int GetType() const override { return xGeoTypePolyMesh; }

  xPolyPoint* AddPoint(double x, double y, double z, int id);
  // A new empty polygon at the end of the list; vertices are added to it.
  xPolygon* NewPolygon();

  // Identifiers become the zero-based positions in their lists.
  void RenumberPoints();
  void RenumberPolygons();

  const xTDLinkList<xPolyPoint>& GetPoints() const { return m_data->points; }
  const xTDLinkList<xPolygon>& GetPolygons() const { return m_data->polygons; }
  xTSmartRefPtr<xPolyMeshData>& GetData() { return m_data; }

 private:
  xTSmartRefPtr<xPolyMeshData> m_data;
};
