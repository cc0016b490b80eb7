#pragma once

#include "host/xgeometry.h"
#include "host/xstream.h"

namespace xpdb {

// The stored tessellations that follow the objects of a part whose version
// has them: groups of meshes and line records, each added to the geometry.
// 0 on success, kStatusBrokenStream without a stream, else
// kStatusTessellation; a part that ends right after its objects has none.
int ReadTessellation(xStream* stream, xGeometry** geometry);

}  // namespace xpdb
