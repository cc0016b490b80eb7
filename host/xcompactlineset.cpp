#include "xcompactlineset.h"

xCompactLineSet::xCompactLineSet() : m_data(new xCompactLineSetData) {}
xCompactLineSet::~xCompactLineSet() = default;

void xCompactLineSet::AddLinePoints(float x1, float y1, float z1, float x2, float y2, float z2) {
  auto& d = *m_data;
  if (d.polyLineStarts.empty()) {
    d.points.emplace_back(x1, y1, z1);
    d.points.emplace_back(x2, y2, z2);
    return;
  }
  // Pairs stay in front of the polylines.
  const auto at = d.points.begin() + d.polyLineStarts.front();
  d.points.insert(at, {xFVector(x1, y1, z1), xFVector(x2, y2, z2)});
  for (int& start : d.polyLineStarts) start += 2;
}

void xCompactLineSet::AddPolyLinePoint(float x, float y, float z, bool startNew) {
  auto& d = *m_data;
  if (startNew || d.polyLineStarts.empty()) d.polyLineStarts.push_back(static_cast<int>(d.points.size()));
  d.points.emplace_back(x, y, z);
}

void xCompactLineSet::Update() {}

int xCompactLineSet::GetPointCount() const { return static_cast<int>(m_data->points.size()); }

int xCompactLineSet::GetPolyLineCount() const { return static_cast<int>(m_data->polyLineStarts.size()); }

int xCompactLineSet::GetPolyLineStart(int i) const {
  return m_data->polyLineStarts[static_cast<std::size_t>(i)];
}

int xCompactLineSet::GetPolyLineSize(int i) const {
  const auto& d = *m_data;
  const auto n = d.polyLineStarts.size();
  const auto index = static_cast<std::size_t>(i);
  if (i < 0 || index >= n) return 0;
  const int end = index + 1 < n ? d.polyLineStarts[index + 1] : static_cast<int>(d.points.size());
  return end - d.polyLineStarts[index];
}

int xCompactLineSet::GetPairPointCount() const {
  const auto& d = *m_data;
  const int count = static_cast<int>(d.points.size());
  return d.polyLineStarts.empty() ? count : std::clamp(d.polyLineStarts.front(), 0, count);
}

xCompactLineSpan xCompactLineSet::GetPolyLineSpan(int i) const {
  const auto& d = *m_data;
  const int count = static_cast<int>(d.points.size());
  const auto n = d.polyLineStarts.size();
  const auto index = static_cast<std::size_t>(i);
  if (i < 0 || index >= n) return {count, count};
  const int first = std::clamp(d.polyLineStarts[index], 0, count);
  const int end = index + 1 < n ? std::clamp(d.polyLineStarts[index + 1], first, count) : count;
  return {first, end};
}

int xCompactLineSet::GetSegmentCount() const {
  int segments = GetPairPointCount() / 2;
  for (int line = 0; line < GetPolyLineCount(); ++line) {
    const xCompactLineSpan span = GetPolyLineSpan(line);
    if (span.end - span.first > 1) segments += span.end - span.first - 1;
  }
  return segments;
}
