#pragma once

#include <ostream>

#include "host/xcompactlineset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xpolymesh.h"
#include "host/xstream.h"
#include "host/xstring.h"
#include "host/xtrimesh.h"

// The text of PDB objects, shared by every version's writer. One working
// string collects the formatted pieces and goes to the stream whenever it
// holds a few kilobytes, at Flush, and when the writer goes away, also when
// an exception leaves: the stream always receives all text made so far.
class xPdbObjectWriter {
 public:
  explicit xPdbObjectWriter(xStream* stream) : m_stream(stream) {}
  ~xPdbObjectWriter();
  xPdbObjectWriter(const xPdbObjectWriter&) = delete;
  xPdbObjectWriter& operator=(const xPdbObjectWriter&) = delete;

  // Object count of the sets that `writable` accepts by type code, with
  // GetType called once on every set.
  static int CountSets(xGeometry* geometry, bool (*writable)(int type));
  static bool IsObjectKind(int type);  // polygon mesh, line set, tri-mesh, compact line set
  static bool IsPolyMesh(int type);

  void Literal(const char* text) {
    m_text += text;
    Pending();
  }
  void Count(int n);  // "%d\n"
  // Hands the text made so far to the stream.
  void Flush();

  // One object, from the colour line to the text count, as versions 8 and 9
  // lay them out.
  void Object(xLineSet* lines);
  void Object(xPolyMesh* mesh);
  void Object(xTriMesh* mesh);
  void Object(xCompactLineSet* lines);

  // The later versions' object: a polygon mesh with `trailer` after its
  // polygons. With `edges`, a second line follows the colour and polygons
  // are rings of signed references into an edge block.
  void PolyMeshObject(xPolyMesh* mesh, bool edges, const char* trailer, int number);

 private:
  void Colour(xGeoSet* set);
  void Point(double x, double y, double z);
  void Segment(int from, int to);
  // The point count and points of a set that holds them in an array.
  template <class Set>
  void PointArray(const Set& set);
  void PolyMeshPoints(xPolyMesh* mesh);
  // The polygon count and a line per polygon: its corner count, then
  // corner(polygon, j) for each corner j.
  template <class Corner>
  void Polygons(xPolyMesh* mesh, Corner corner);
  void PolyMeshPolygons(xPolyMesh* mesh);
  void PolyMeshEdgeRings(xPolyMesh* mesh);
  void Pending() {
    if (m_text.Length() >= kBatch) Flush();
  }

  // Few enough stream calls to cost nothing, little enough to stay in cache.
  static constexpr std::size_t kBatch = 16 * 1024;

  xStream* m_stream;
  xTString<char> m_text;
};
