#pragma once

#include <vector>

#include "xgeoset.h"
#include "xvector.h"

class XHOST_API xPointSet : public xGeoSet {
 public:
  ~xPointSet() override;
  int GetType() const override { return xGeoTypePointSet; }
  void AddPoint(const xFVector& p) { m_points.push_back(p); }
  int GetPointCount() const { return static_cast<int>(m_points.size()); }
  const xFVector& GetPoint(int i) const { return m_points[static_cast<std::size_t>(i)]; }

 private:
  std::vector<xFVector> m_points;
};
