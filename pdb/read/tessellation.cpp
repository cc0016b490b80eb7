#include "pdb/read/tessellation.h"

#include <istream>
#include <limits>
#include <memory>
#include <vector>

#include "host/xgeometryoptimizer.h"
#include "host/xlineset.h"
#include "host/xtrimesh.h"
#include "pdb/colour/denebcolours.h"
#include "pdb/read/edgereference.h"
#include "pdb/read/readstatus.h"
#include "pdb/read/streamutil.h"
#include "pdb/xpdbutil.h"

namespace {

int ReadInt(xStream& stream) {
  int value = 0;
  stream >> value;
  return value;
}

// The points of one record, as the file gives them.
struct Points {
  std::vector<double> xyz;
  int Count() const { return static_cast<int>(xyz.size() / 3); }
  bool Has(int index) const { return index >= 0 && index < Count(); }
};

void ReadPoints(xStream& stream, Points& points) {
  const int count = ReadInt(stream);
  for (int i = 0; i < count && xpdb::StreamSound(stream); ++i) {
    double x = 0, y = 0, z = 0;
    if (!xpdb::ReadPoint(stream, x, y, z)) break;
    points.xyz.insert(points.xyz.end(), {x, y, z});
  }
}

// Pairs of integers: the edges of a mesh or the segments of a line record.
void ReadPairs(xStream& stream, std::vector<int>& pairs) {
  const int count = ReadInt(stream);
  for (int i = 0; i < count && xpdb::StreamSound(stream); ++i) {
    int a = 0, b = 0;
    stream >> a >> b;
    if (!xpdb::StreamSound(stream)) break;
    pairs.push_back(a);
    pairs.push_back(b);
  }
}

// A mesh record; the mesh when it was read whole, else null.
std::unique_ptr<xTriMesh> ReadMesh(xStream& stream, xTString<char>& scratch, int& colour) {
  stream >> scratch >> colour;
  auto mesh = std::make_unique<xTriMesh>();
  const int pointCount = ReadInt(stream);
  for (int i = 0; i < pointCount && xpdb::StreamSound(stream); ++i) {
    double x = 0, y = 0, z = 0;
    if (xpdb::ReadPoint(stream, x, y, z)) mesh->AddPoint(x, y, z);
  }
  const int points = mesh->GetPointCount();

  std::vector<int> edges;
  ReadPairs(stream, edges);

  // Rings back to back, all read before any is fanned.
  std::vector<int> refs, ringStarts, ringSizes;
  const int polygons = ReadInt(stream);
  for (int f = 0; f < polygons && xpdb::StreamSound(stream); ++f) {
    const int n = ReadInt(stream);
    ringStarts.push_back(static_cast<int>(refs.size()));
    for (int j = 0; j < n && xpdb::StreamSound(stream); ++j) refs.push_back(ReadInt(stream));
    ringSizes.push_back(static_cast<int>(refs.size()) - ringStarts.back());
  }
  if (!xpdb::StreamSound(stream)) return nullptr;

  // References outside the edges and points outside the record are never
  // followed; such a corner is left out of the fan.
  std::vector<unsigned> corners;
  for (std::size_t f = 0; f < ringStarts.size(); ++f) {
    corners.clear();
    const int* ring = refs.data() + ringStarts[f];
    for (int j = 0; j < ringSizes[f]; ++j) {
      const int point = xpdb::EdgeReferencePoint(edges, ring[j]);
      if (point >= 0 && point < points) corners.push_back(static_cast<unsigned>(point));
    }
    for (std::size_t j = 1; j + 1 < corners.size(); ++j)
      mesh->AddTriangle(corners[0], corners[j], corners[j + 1]);
  }
  stream >> scratch;
  return mesh;
}

// A line record; the line set when it has segments and was read whole.
std::unique_ptr<xLineSet> ReadLines(xStream& stream, xTString<char>& scratch, int& colour) {
  stream >> scratch >> colour;
  Points points;
  ReadPoints(stream, points);
  std::vector<int> segments;
  ReadPairs(stream, segments);
  if (!xpdb::StreamSound(stream)) return nullptr;
  std::unique_ptr<xLineSet> lines;
  if (!segments.empty()) {
    lines = std::make_unique<xLineSet>();
    // Segments that continue the previous one extend its polyline. One that
    // refers to a point the record lacks is dropped and breaks the chain.
    constexpr int kNone = std::numeric_limits<int>::min();
    int previousEnd = kNone;
    xLine* line = nullptr;
    auto position = [&points](int i) {
      return xVector(points.xyz[i * 3], points.xyz[i * 3 + 1], points.xyz[i * 3 + 2]);
    };
    for (std::size_t i = 0; i < segments.size(); i += 2) {
      const int s = segments[i], t = segments[i + 1];
      if (!points.Has(s) || !points.Has(t)) {
        previousEnd = kNone;
        continue;
      }
      if (s != previousEnd || !line) {
        line = lines->NewLine();
        line->AddPoint(position(s));
      }
      line->AddPoint(position(t));
      previousEnd = t;
    }
  }
  stream >> scratch;
  return lines;
}

}  // namespace

int xpdb::ReadTessellation(xStream* stream, xGeometry** geometry) {
  if (!stream) return xpdb::kStatusBrokenStream;
  xStream& in = *stream;
  if (!xpdb::StreamSound(in)) return xpdb::kStatusTessellation;
  // Our own writer ends a part after its objects: no section at all.
  if (!in.eof()) in >> std::ws;
  if (in.eof()) return xpdb::kStatusOk;

  xGeometryOptimizer optimizer;
  const int groups = ReadInt(in);
  for (int g = 0; g < groups && xpdb::StreamSound(in); ++g) {
    xTString<char> scratch;
    ReadInt(in);
    in >> scratch >> scratch;
    const int meshes = ReadInt(in);
    in >> scratch;
    for (int i = 0; i < meshes && xpdb::StreamSound(in); ++i) {
      int colour = 0;
      std::unique_ptr<xTriMesh> mesh = ReadMesh(in, scratch, colour);
      if (!mesh) break;
      optimizer.StartMesh(mesh.get());
      xpdb::ColourSet(*mesh, colour);
      mesh->Refresh(true);
      xGeoSet* added = mesh.get();
      xpdb::ContainerOf(geometry).AddSet(mesh.release());
      optimizer.EndMesh(added);
    }
    const int lineRecords = ReadInt(in);
    in >> scratch;
    for (int i = 0; i < lineRecords && xpdb::StreamSound(in); ++i) {
      int colour = 0;
      std::unique_ptr<xLineSet> lines = ReadLines(in, scratch, colour);
      if (!lines) continue;
      xpdb::ColourSet(*lines, colour);
      xpdb::ContainerOf(geometry).AddSet(lines.release());
    }
    in >> scratch;
  }
  return xpdb::StreamSound(in) ? xpdb::kStatusOk : xpdb::kStatusTessellation;
}
