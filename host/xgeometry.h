#pragma once

#include <memory>
#include <vector>

#include "xgeoset.h"
#include "xsmartptr.h"

// Ordered sets of a geometry; owns every set added to it.
class XHOST_API xGeoContainer {
 public:
  xGeoContainer() = default;
  xGeoContainer(const xGeoContainer&) = delete;
  xGeoContainer& operator=(const xGeoContainer&) = delete;
  ~xGeoContainer();

  void AddSet(xGeoSet* set);
  int GetSetCount() const { return static_cast<int>(m_sets.size()); }
  xGeoSet* GetSet(int index) const { return m_sets[static_cast<std::size_t>(index)].get(); }

 private:
  std::vector<std::unique_ptr<xGeoSet>> m_sets;
};

class XHOST_API xGeometry {
 public:
  xGeometry();  // with an empty container
  ~xGeometry();

  xTSmartRefPtr<xGeoContainer>& GetContainer() { return m_container; }
  const xTSmartRefPtr<xGeoContainer>& GetContainer() const { return m_container; }

 private:
  xTSmartRefPtr<xGeoContainer> m_container;
};
