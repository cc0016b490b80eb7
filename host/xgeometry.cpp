#include "xgeometry.h"

xGeoContainer::~xGeoContainer() = default;

void xGeoContainer::AddSet(xGeoSet* set) {
  if (set) m_sets.emplace_back(set);
}

xGeometry::xGeometry() : m_container(new xGeoContainer) {}
xGeometry::~xGeometry() = default;
