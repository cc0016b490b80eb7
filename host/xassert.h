#pragma once

#include "xhostapi.h"

// Reports a false condition on standard error with its source and line,
// counts it and returns: callers go on after a broken assumption.
XHOST_API void xGlobalAssert(bool condition, const char* file, int line);

// Number of reports on the calling thread since it started (or since its
// last reset): a read on another thread does not count here.
XHOST_API int xGlobalAssertCount();
XHOST_API void xGlobalAssertReset();
