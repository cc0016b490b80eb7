#include "xassert.h"

#include <cstdio>

namespace {
// Per thread, so that a host reading on several threads counts each read's own.
thread_local int t_reports = 0;
}  // namespace

void xGlobalAssert(bool condition, const char* file, int line) {
  if (condition) return;
  ++t_reports;
  std::fprintf(stderr, "Assertion failed: %s:%d\n", file ? file : "?", line);
}

int xGlobalAssertCount() { return t_reports; }
void xGlobalAssertReset() { t_reports = 0; }
