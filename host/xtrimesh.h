#pragma once

#include <vector>

#include "xgeoset.h"
#include "xsmartptr.h"
#include "xvector.h"

class XHOST_API xTriMeshData {
 public:
  struct xTriangle {
    unsigned a = 0, b = 0, c = 0;
  };
  std::vector<xFVector> points;
  std::vector<xTriangle> triangles;
};

// Triangles over a table of single-precision points.
class XHOST_API xTriMesh : public xGeoSet {
 public:
  xTriMesh();
  ~xTriMesh() override;
  int GetType() const override { return xGeoTypeTriMesh; }
  void Refresh(bool full) override;

  // A count of what is to come; with keep false the present content goes and
  // room for n is made. The room asked for is a hint, not a promise.
  void SetPointCount(int n, bool keep);
  void SetTriangleCount(int n, bool keep);

  int AddPoint(double x, double y, double z);
  int AddPoint(const xFVector& p);
  void AddTriangle(unsigned a, unsigned b, unsigned c);
  void AddTriangle(const xTriMeshData::xTriangle& t);

  int GetPointCount() const;
  int GetTriangleCount() const;
  const xFVector& GetPoint(int i) const { return m_data->points[static_cast<std::size_t>(i)]; }
  const xTriMeshData::xTriangle& GetTriangle(int i) const {
    return m_data->triangles[static_cast<std::size_t>(i)];
  }

  xTSmartRefPtr<xTriMeshData>& GetData() { return m_data; }

 private:
  xTSmartRefPtr<xTriMeshData> m_data;
};
