#include "pdb/xpdbutil.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "host/xassert.h"
#include "host/xcompactlineset.h"
#include "pdb/colour/denebcolours.h"
#include "pdb/read/edgereference.h"
#include "pdb/read/readstatus.h"
#include "pdb/read/streamutil.h"
#include "pdb/read/versiontable.h"

namespace {

constexpr int kMaxCount = 9999999;
constexpr int kLineBuffer = 256;

bool InRange(int count) { return count >= 0 && count <= kMaxCount; }

// One object record being read. The builder exists only when the object has
// points; without one every point index is out of range.
class ObjectRecord {
 public:
  ObjectRecord(xStream& stream, xGeometry** geometry, int version, int fileVersion)
      : m_in(stream), m_geometry(geometry), m_layout(xpdb::LayoutOf(version)), m_fileVersion(fileVersion) {}

  xGeoSet* Read(int& status);

 private:
  bool HasPoint(int index) const { return index >= 0 && index < m_pointCount; }
  void AddVertex(int index) {
    if (m_builder) m_builder->AddVertex(index);
  }
  void SkipRestOfLine() { xpdb::SkipRestOfLine(m_in, m_line, kLineBuffer); }
  void SkipLine() { xpdb::SkipLine(m_in, m_line, kLineBuffer); }

  int ReadPoints();
  xGeoSet* ReadLineSegments(int count);
  int ReadPolygonBlock();
  template <bool kSignedCounts, class Corner>
  int ReadPolygonList(Corner corner);
  int ReadEdgePolygons();
  xGeoSet* AddToGeometry(std::unique_ptr<xGeoSet> set);

  xStream& m_in;
  xGeometry** m_geometry;
  const xpdb::VersionLayout& m_layout;
  const int m_fileVersion;
  int m_colour = 0;
  xMaterial* m_material = nullptr;
  std::unique_ptr<xPdbUtil::TriMeshReader> m_builder;
  int m_pointCount = 0;  // points actually read
  char m_line[kLineBuffer];
};

xGeoSet* ObjectRecord::AddToGeometry(std::unique_ptr<xGeoSet> set) {
  xGeoContainer& container = xpdb::ContainerOf(m_geometry);
  xGeoSet* added = set.release();
  container.AddSet(added);
  return added;
}

int ObjectRecord::ReadPoints() {
  int count = 0;
  m_in >> count;
  if (m_layout.signedPointCount && count < 0) {
    SkipRestOfLine();
    SkipLine();
    m_in >> count;
  }
  if (!InRange(count)) return xpdb::kStatusPointCount;
  if (count > 0) {
    m_builder = std::make_unique<xPdbUtil::TriMeshReader>();
    m_builder->Start();
    m_builder->SetPointCount(count);
  }
  for (int i = 0; i < count; ++i) {
    double x = 0.0, y = 0.0, z = 0.0;
    if (!xpdb::ReadPoint(m_in, x, y, z)) break;
    m_builder->AddPoint(xVector(x, y, z));
    ++m_pointCount;
  }
  return xpdb::kStatusOk;
}

xGeoSet* ObjectRecord::ReadLineSegments(int count) {
  auto lines = std::make_unique<xCompactLineSet>();
  lines->SetMaterial(m_material);
  if (m_material) lines->SetMaterialMode(2);
  for (int i = 0; i < count; ++i) {
    int first = 0, second = 0;
    m_in >> first >> second;
    if (!xpdb::StreamSound(m_in)) break;
    // A segment to a point that does not exist is dropped, not drawn to the origin.
    if (!HasPoint(first) || !HasPoint(second)) {
      xGlobalAssert(false, "xpdbutil", __LINE__);
      continue;
    }
    const xVector a = m_builder->GetPoint(first);
    const xVector b = m_builder->GetPoint(second);
    lines->AddLinePoints(static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z),
                         static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.z));
  }
  lines->Update();
  return AddToGeometry(std::move(lines));
}

int ObjectRecord::ReadPolygonBlock() {
  switch (m_layout.polygons) {
    case xpdb::PolygonBlock::kEdgeRings:
      return ReadEdgePolygons();
    case xpdb::PolygonBlock::kSignedCounts:
      return ReadPolygonList<true>([](int index) { return index; });
    case xpdb::PolygonBlock::kPointIndices:
      break;
  }
  return ReadPolygonList<false>([](int index) { return index; });
}

// The polygon count and the polygons; `corner` turns each number read into a
// point index (anything out of range adds no corner). With kSignedCounts a
// negative corner count is followed by lines of extra data.
template <bool kSignedCounts, class Corner>
int ObjectRecord::ReadPolygonList(Corner corner) {
  int count = 0;
  m_in >> count;
  if (!InRange(count)) return xpdb::kStatusPolygonCount;
  // Only makes room: no triangle has been added yet.
  if (m_builder) m_builder->SetPolygonCount(count);
  for (int f = 0; f < count && xpdb::StreamSound(m_in); ++f) {
    int written = 0;
    m_in >> written;
    const long long corners = kSignedCounts ? std::llabs(static_cast<long long>(written)) : written;
    if (corners < 0 || corners > kMaxCount) return xpdb::kStatusPolygonVertexCount;
    if (m_builder) m_builder->BeginPolygon();
    for (long long k = 0; k < corners && xpdb::StreamSound(m_in); ++k) {
      int number = 0;
      m_in >> number;
      AddVertex(corner(number));
    }
    if (m_builder) m_builder->EndPolygon();
    if (written < 0) {
      SkipRestOfLine();
      SkipLine();
      if (m_layout.longExtrasHeader != 0 && m_fileVersion == m_layout.longExtrasHeader) {
        SkipLine();
        SkipLine();
      }
    }
  }
  return xpdb::kStatusOk;
}

// Polygons are rings of signed references to numbered edges.
int ObjectRecord::ReadEdgePolygons() {
  int edgeCount = 0;
  m_in >> edgeCount;
  if (!InRange(edgeCount)) return xpdb::kStatusEdgeCount;
  // The table grows as edges arrive: the count alone may promise far more than the file holds.
  std::vector<int> ends;
  for (int e = 0; e < edgeCount; ++e) {
    int first = 0, second = 0;
    m_in >> first >> second;
    if (!xpdb::StreamSound(m_in)) break;
    ends.push_back(first);
    ends.push_back(second);
  }
  return ReadPolygonList<false>([&](int reference) { return xpdb::EdgeReferencePoint(ends, reference); });
}

xGeoSet* ObjectRecord::Read(int& status) {
  m_in >> m_colour;
  m_material = xPdbUtil::GetDenebMaterial(m_colour);
  if (m_layout.linesAfterColour) {
    SkipRestOfLine();
    SkipLine();
  }
  status = ReadPoints();
  if (status != xpdb::kStatusOk) return nullptr;

  int lineCount = 0;
  m_in >> lineCount;
  if (!InRange(lineCount)) {
    status = xpdb::kStatusLineCount;
    return nullptr;
  }
  xGeoSet* result = lineCount > 0 ? ReadLineSegments(lineCount) : nullptr;

  status = ReadPolygonBlock();
  if (status != xpdb::kStatusOk) return result;
  if (!xPdbUtil::SkipTexts(&m_in, 0)) {
    status = xpdb::kStatusTexts;
    return result;
  }
  if (m_layout.textures && !xPdbUtil::SkipTextures(&m_in)) {
    status = xpdb::kStatusTextures;
    return result;
  }
  if (m_layout.objectTrailer) {
    int scratch = 0;
    m_in >> scratch;
    // No block of the record reports the number after the textures.
    if (!xpdb::StreamSound(m_in)) {
      status = xpdb::kStatusBrokenStream;
      return result;
    }
  }

  if (m_builder) {
    std::unique_ptr<xGeoSet> mesh(m_builder->Finish());
    if (mesh) {
      mesh->SetMaterialMode(xpdb::MaterialModeOf(m_colour));
      mesh->SetMaterial(m_material);
      result = AddToGeometry(std::move(mesh));
    }
  }
  return result;
}

}  // namespace

xGeoSet* xPdbUtil::ReadObject(xStream* stream, xGeometry** geometry, int version, int fileVersion,
                              int& status) {
  status = xpdb::kStatusOk;
  if (!stream) {
    status = xpdb::kStatusBrokenStream;
    return nullptr;
  }
  ObjectRecord record(*stream, geometry, version, fileVersion);
  return record.Read(status);
}
