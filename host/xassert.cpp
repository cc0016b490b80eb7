#include "xassert.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> g_reports{0};
}

void xGlobalAssert(bool condition, const char* file, int line) {
  if (condition) return;
  ++g_reports;
  std::fprintf(stderr, "Assertion failed: %s:%d\n", file ? file : "?", line);
}

int xGlobalAssertCount() { return g_reports.load(); }
void xGlobalAssertReset() { g_reports = 0; }
