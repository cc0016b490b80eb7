#pragma once

#include "xhostapi.h"

// Reports a false condition on standard error with its source and line,
// counts it and returns: callers go on after a broken assumption.
XHOST_API void xGlobalAssert(bool condition, const char* file, int line);

// Number of reports since start (or the last reset).
XHOST_API int xGlobalAssertCount();
XHOST_API void xGlobalAssertReset();
