#pragma once

#include <algorithm>
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

// Points [first, end) of the point table: a polyline's run.
struct xCompactLineSpan {
  int first = 0;
  int end = 0;
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

  // The layout walked with one bounds rule, for every reader of the set: the
  // pairs end at the first polyline's start, each polyline at the next one's,
  // and nothing reaches outside the point table, whatever the starts say. An
  // odd point left at the end of the pairs belongs to no segment.
  int GetPairPointCount() const;
  xCompactLineSpan GetPolyLineSpan(int i) const;
  int GetSegmentCount() const;
  // Calls segment(a, b) with the point numbers of every segment in order:
  // the pairs, then each polyline's neighbours.
  template <class Segment>
  void ForEachSegment(Segment&& segment) const {
    const int pairPoints = GetPairPointCount();
    for (int i = 0; i + 1 < pairPoints; i += 2) segment(i, i + 1);
    for (int line = 0; line < GetPolyLineCount(); ++line) {
      const xCompactLineSpan span = GetPolyLineSpan(line);
      for (int i = span.first; i + 1 < span.end; ++i) segment(i, i + 1);
    }
  }

  xTSmartRefPtr<xCompactLineSetData>& GetData() { return m_data; }

 private:
  xTSmartRefPtr<xCompactLineSetData> m_data;
};
