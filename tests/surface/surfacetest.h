#pragma once

#include <array>
#include <cstddef>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/xassert.h"
#include "host/xenvironment.h"
#include "host/xgeometry.h"
#include "host/xgeometryoptimizer.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"
#include "surface/glunurbstesselator.h"

namespace surfacetest {

// A host stream over a text.
class Text {
 public:
  explicit Text(const std::string& text) : m_buffer(text), m_stream(&m_buffer) {}
  xStream* get() { return &m_stream; }
  bool sound() const { return !m_stream.fail(); }
  // The next white-space-delimited word, "" at the end.
  std::string NextWord() {
    std::string word;
    static_cast<std::istream&>(m_stream) >> word;
    return word;
  }

 private:
  std::stringbuf m_buffer;
  xStream m_stream;
};

// The host's geometry with a clean optimiser record and assertion count.
class Part {
 public:
  Part() : m_pointer(&m_geometry) {
    xGeometryOptimizer::ResetRecord();
    xGlobalAssertReset();
  }
  xGeometry** get() { return &m_pointer; }
  xGeoContainer& sets() { return *m_geometry.GetContainer(); }
  int count() { return sets().GetSetCount(); }
  template <class T>
  T* set(int i) {
    return dynamic_cast<T*>(sets().GetSet(i));
  }
  void DropContainer() { m_geometry.GetContainer().Reset(); }

 private:
  xGeometry m_geometry;
  xGeometry* m_pointer;
};

// Sets "Render.NURBS.Tolerance" for one test and takes it away after.
class ToleranceSetting {
 public:
  explicit ToleranceSetting(double value) { xEnvironment::GetGlobal()->SetDouble(kName, value); }
  ~ToleranceSetting() { xEnvironment::GetGlobal()->Remove(kName); }
  ToleranceSetting(const ToleranceSetting&) = delete;
  ToleranceSetting& operator=(const ToleranceSetting&) = delete;
  static constexpr const char* kName = "Render.NURBS.Tolerance";
};

using Loop = std::vector<std::pair<double, double>>;

// One surface record as a file holds it. Control points are homogeneous:
// w, then x·w, y·w, z·w.
struct SurfaceRecord {
  double uStart = 0, uEnd = 1, vStart = 0, vEnd = 1;
  int uDegree = 1, vDegree = 1, uSegments = 1, vSegments = 1;
  std::vector<double> uKnots{0, 0, 1, 1}, vKnots{0, 0, 1, 1};
  std::vector<std::array<double, 4>> points;  // w, x, y, z in file order
  bool trimmed = false;                       // writes an outer loop (and the hole count)
  Loop outer;
  std::vector<Loop> holes;
  int colour = 7;
  std::string surfaceObject = "0\n0\n0\n";

  std::string Text(int version) const;
};

// A flat bilinear patch [0, width] x [0, height] at z = 0.
SurfaceRecord FlatPatch(double width, double height);
// A quarter of a cylinder of radius r around the z axis, from z = 0 to
// length: rational quadratic across, linear along.
SurfaceRecord QuarterCylinder(double r, double length);
// A surface section: the count, then the records.
std::string Section(const std::vector<SurfaceRecord>& records, int version);

// A polygon loop around (cx, cy); counter-clockwise unless clockwise is set.
Loop Circle(double cx, double cy, double r, int n, bool clockwise);
// The area a loop encloses (positive for counter-clockwise).
double LoopArea(const Loop& loop);
Loop Rectangle(double u0, double v0, double u1, double v1);

double MeshArea(const xTriMesh& mesh);
// The area of the triangles in an indexed store.
double StoreArea(const TriangleStoreIndexed& store);

}  // namespace surfacetest
