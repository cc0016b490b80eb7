#pragma once

#include <vector>

#include "xgeoset.h"
#include "xlinklist.h"
#include "xvector.h"

class xLineSet;

class XHOST_API xLinePoint : public xDLinkNode, public xGeoData {
 public:
  xLinePoint(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
  double x, y, z;
};

// A polyline over points of its set.
class XHOST_API xLine : public xDLinkNode {
 public:
  explicit xLine(xLineSet* owner) : m_owner(owner) {}
  // Adds a new point to the set and appends it to this line.
  xLinePoint* AddPoint(xVector position);
  int GetPointCount() const { return static_cast<int>(m_points.size()); }
  xLinePoint* GetPoint(int i) const { return m_points[static_cast<std::size_t>(i)]; }

 private:
  xLineSet* m_owner;
  std::vector<xLinePoint*> m_points;
};

class XHOST_API xLineSet : public xGeoSet {
 public:
  xLineSet();
  ~xLineSet() override;
  int GetType() const override { return xGeoTypeLineSet; }

  xLine* NewLine();
  xLinePoint* AddPoint(double x, double y, double z);
  void RenumberPoints();

  const xTDLinkList<xLinePoint>& GetPoints() const { return m_points; }
  const xTDLinkList<xLine>& GetLines() const { return m_lines; }

 private:
  xTDLinkList<xLinePoint> m_points;
  xTDLinkList<xLine> m_lines;
};
