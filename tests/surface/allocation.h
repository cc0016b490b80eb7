#pragma once

#include <cstddef>

namespace surfacetest {

// The largest single heap allocation made while one of these lives.
class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
  std::size_t bytes() const;
};

}  // namespace surfacetest
