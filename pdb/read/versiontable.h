#pragma once

#include <cstddef>
#include <iterator>

// What each PDB version holds and how. Every way in which the versions' files
// differ is a column here; the readers ask this table and never compare
// version numbers, so a difference is found, and changed, in one row.
namespace xpdb {

// How an object record gives its polygons.
enum class PolygonBlock {
  kPointIndices,  // per polygon a corner count and that many point indices
  kSignedCounts,  // the same, but a negative corner count is followed by lines of extra data
  kEdgeRings,     // an edge block of point pairs, then rings of signed references to its edges
};

struct VersionLayout {
  int version;

  // After the header's number: a file tag, a count N, one item and N items.
  bool headerItems;
  // Each coordinate system ends in a count k, one item and k items.
  bool frameItems;
  // Curves and surfaces follow the coordinate systems.
  bool curvesAndSurfaces;
  // Curve and surface records hold three reals where earlier ones hold
  // integers (one in a curve, two in a surface).
  bool parameterReals;
  // A surface record holds a real and its trimming loops before its colour.
  bool surfaceTrims;
  // Surfaces become meshes of the part; earlier versions only read past them.
  bool surfacesBuilt;
  // Each surface record is followed by a polygon object, read past.
  bool surfaceObject;

  // A negative point count is followed by the rest of its line, one more
  // line and the real count.
  bool signedPointCount;
  // The colour's line goes on with text, and one more line follows it.
  bool linesAfterColour;
  PolygonBlock polygons;
  // With signed counts: the header number whose files have two more lines
  // of extra data after a negative corner count (0: none).
  int longExtrasHeader;
  // A texture block follows the text block.
  bool textures;
  // One number, read past, ends the record.
  bool objectTrailer;

  // The stored tessellations follow the objects.
  bool tessellation;
};

// clang-format off
inline constexpr VersionLayout kVersionTable[] = {
//  ver  header frame  sects  reals  trims  built  s.obj  signed after  polygons                      1010  tex    trail  tess
  {  8, false, false, false, false, false, false, false, false, false, PolygonBlock::kPointIndices,     0, false, false, false},
  {  9, false, false, true,  false, false, false, false, false, false, PolygonBlock::kPointIndices,     0, false, false, false},
  { 10, false, false, true,  false, true,  false, false, true,  false, PolygonBlock::kSignedCounts,  1010, false, false, false},
  { 11, false, false, true,  false, true,  true,  false, false, false, PolygonBlock::kPointIndices,     0, true,  false, false},
  { 12, false, false, true,  true,  true,  true,  true,  false, true,  PolygonBlock::kEdgeRings,        0, true,  false, false},
  { 14, true,  true,  true,  true,  true,  true,  true,  false, true,  PolygonBlock::kEdgeRings,        0, true,  true,  true},
};
// clang-format on

// The row of `version`. The exported section and object readers take any
// number: one between or beyond the rows reads as the closest row below it,
// and one below the first as the first.
constexpr const VersionLayout& LayoutOf(int version) {
  const VersionLayout* found = &kVersionTable[0];
  for (const VersionLayout& row : kVersionTable)
    if (row.version <= version) found = &row;
  return *found;
}

constexpr bool RowsAscend() {
  for (std::size_t i = 1; i < std::size(kVersionTable); ++i)
    if (kVersionTable[i].version <= kVersionTable[i - 1].version) return false;
  return true;
}
static_assert(RowsAscend(), "LayoutOf takes the last row at or below a number");

}  // namespace xpdb
