#include "xlineset.h"

xLinePoint* xLine::AddPoint(xVector position) {
  xLinePoint* point = m_owner->AddPoint(position.x, position.y, position.z);
  m_points.push_back(point);
  return point;
}

xLineSet::xLineSet() = default;

xLineSet::~xLineSet() {
  m_lines.Clear();  // lines refer to points
  m_points.Clear();
}

xLine* xLineSet::NewLine() {
  auto* line = new xLine(this);
  m_lines.Append(line);
  return line;
}

xLinePoint* xLineSet::AddPoint(double x, double y, double z) {
  auto* point = new xLinePoint(x, y, z);
  point->SetId(m_points.GCount());
  m_points.Append(point);
  return point;
}

void xLineSet::RenumberPoints() {
  int id = 0;
  for (xLinePoint* p = m_points.GBegin(); p; p = xTDLinkList<xLinePoint>::GNext(p)) p->SetId(id++);
}
