#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace parttest {

inline std::atomic<bool> g_watching{false};
inline std::atomic<std::size_t> g_largest{0};

// The largest single heap allocation made while one of these lives.
struct LargestAllocation {
  LargestAllocation() { g_largest = 0, g_watching = true; }
  ~LargestAllocation() { g_watching = false; }
  std::size_t bytes() const { return g_largest; }
};

inline void* Allocate(std::size_t size) {
  for (std::size_t seen = g_largest;
       g_watching && size > seen && !g_largest.compare_exchange_weak(seen, size);) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace parttest

// Exactly one source file of a program defines this before the include; the
// other allocation and release functions lead to these.
#ifdef PARTTEST_REPLACE_ALLOCATION
void* operator new(std::size_t size) { return parttest::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif
