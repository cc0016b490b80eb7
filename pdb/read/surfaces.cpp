// Temporary: reads the surface section only as far as a count of 0. The
// tessellating reader replaces this file.
#include "pdb/xpdbutil.h"

bool xPdbUtil::SkipSurfaces(xStream* stream, int, xGeometry**) {
  if (!stream) return false;
  int count = 0;
  *stream >> count;
  return count == 0 && !stream->fail() && !stream->bad();
}
