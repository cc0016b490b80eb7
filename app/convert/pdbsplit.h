#pragma once

#include <memory>

#include "host/xgeometry.h"

// The largest count of points, line segments, polygons, corners of a polygon
// or edges that the PDB readers take in one object; an object beyond it
// fails the whole read.
inline constexpr int kPdbCountLimit = 9'999'999;

struct PdbGeometry {
  // Null when the input goes to the writer as it is.
  std::unique_ptr<xGeometry> geometry;
  int objects = 0;  // objects the writer will write
  int split = 0;    // input sets that became more than one object
};

// The geometry as the PDB writer of `version` is to get it so that the file
// holds all of it and reads back: for versions after 9, which hold polygon
// meshes only, triangle meshes become polygon meshes of their triangles; a
// set with more of anything than `limit` becomes several sets of its
// material and kind, each within it, in its place. The sets taken over lose
// their content to the result. `limit` is at least 3.
PdbGeometry PrepareForPdb(xGeometry& geometry, int version, int limit = kPdbCountLimit);
