#pragma once

#include <cstddef>

namespace readtest {

// Records the largest single allocation made while an instance lives.
class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  std::size_t bytes() const;
};

}  // namespace readtest
