#pragma once

#include <vector>

#include "xgeoset.h"
#include "xsmartptr.h"
#include "xvector.h"

class XHOST_API xCompactLineSetData {
 public:
  // Two-point segments first, two consecutive points each; then the points
  // of every polyline, consecutive, polylines in order.
  std::vector<xFVector> points;
  std::vector<int> polyLineStarts;  // position of each polyline's first point
};

class XHOST_API xCompactLineSet : public xGeoSet {
 public:
  xCompactLineSet();
  ~xCompactLineSet() override;
  int GetType() const override { return xGeoTypeCompactLineSet; }

  // One separate two-point line.
  void AddLinePoints(float x1, float y1, float z1, float x2, float y2, float z2);
  // Appends a point to the last polyline, or starts a new one.
  void AddPolyLinePoint(float x, float y, float z, bool startNew);
  void Update();

  int GetPointCount() const;
  const xFVector& GetPoint(int i) const { return m_data->points[static_cast<std::size_t>(i)]; }
  int GetPolyLineCount() const;
  int GetPolyLineStart(int i) const;
  int GetPolyLineSize(int i) const;

  xTSmartRefPtr<xCompactLineSetData>& GetData() { return m_data; }

 private:
  xTSmartRefPtr<xCompactLineSetData> m_data;
};
