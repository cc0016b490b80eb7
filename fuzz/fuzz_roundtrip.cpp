// Builds a geometry from the input, writes it as version 9, reads it back
// and traps when the sets read differ from what was written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/xcompactlineset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpolymesh.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdbutil.h"

namespace {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool Empty() const { return m_pos >= m_size; }
  unsigned Next(unsigned modulo) { return modulo ? (m_pos < m_size ? m_data[m_pos++] : 0u) % modulo : 0u; }
  // Coordinates on a grid of 1/16 over +-2048: every value is exact in float.
  float Coordinate() {
    const int hi = static_cast<int>(Next(256)), lo = static_cast<int>(Next(256));
    return static_cast<float>(((hi << 8) | lo) - 32768) / 16.0f;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

struct Expected {
  int type = 0;
  int colour = -2;
  std::vector<float> points;        // x, y, z
  std::vector<unsigned> triangles;  // tri-mesh only
};

[[noreturn]] void Mismatch(const char* what, std::size_t set) {
  std::fprintf(stderr, "round trip mismatch: %s (set %zu)\n", what, set);
  std::abort();
}

bool Close(float a, float b) {
  // "%g" keeps six significant digits.
  return std::fabs(a - b) <= 1e-5f * std::max(1.0f, std::fabs(a)) + 1e-30f;
}

void Populate(Bytes& in, xGeoContainer& container, std::vector<Expected>& expected) {
  for (int set = 0; set < 6 && !in.Empty(); ++set) {
    const int colour = static_cast<int>(in.Next(40)) - 2;
    xMaterial* material = xPdbUtil::GetDenebMaterial(colour);
    const int written = xPdbUtil::GetDenebIndex(material);
    Expected e;
    e.colour = written;
    auto point = [&](std::vector<xFVector>& pts) {
      const float x = in.Coordinate(), y = in.Coordinate(), z = in.Coordinate();
      pts.emplace_back(x, y, z);
    };
    switch (in.Next(4)) {
      case 0: {  // triangle mesh: read back as the same mesh
        auto* mesh = new xTriMesh;
        std::vector<xFVector> pts;
        const unsigned np = in.Next(12);
        for (unsigned i = 0; i < np; ++i) point(pts), mesh->AddPoint(pts.back());
        const unsigned nt = np ? in.Next(12) : 0;
        for (unsigned i = 0; i < nt; ++i) {
          const unsigned a = in.Next(np), b = in.Next(np), c = in.Next(np);
          mesh->AddTriangle(a, b, c);
          e.triangles.insert(e.triangles.end(), {a, b, c});
        }
        mesh->SetMaterial(material);
        container.AddSet(mesh);
        if (nt) {
          e.type = 8;
          for (const auto& p : pts) e.points.insert(e.points.end(), {p.x, p.y, p.z});
          expected.push_back(e);
        }
        break;
      }
      case 1: {  // polygon mesh: read back as its fan triangulation
        auto* mesh = new xPolyMesh;
        std::vector<xFVector> pts;
        std::vector<xPolyPoint*> handles;
        const unsigned np = in.Next(10);
        for (unsigned i = 0; i < np; ++i) {
          point(pts);
          handles.push_back(mesh->AddPoint(pts.back().x, pts.back().y, pts.back().z, static_cast<int>(i)));
        }
        const unsigned polygons = in.Next(5);
        for (unsigned f = 0; f < polygons; ++f) {
          xPolygon* polygon = mesh->NewPolygon();
          const unsigned k = np ? in.Next(6) : 0;
          std::vector<unsigned> corners;
          for (unsigned j = 0; j < k; ++j)
            corners.push_back(in.Next(np)), polygon->AddVertex(handles[corners.back()]);
          for (unsigned j = 1; j + 1 < corners.size(); ++j)
            e.triangles.insert(e.triangles.end(), {corners[0], corners[j], corners[j + 1]});
        }
        mesh->SetMaterial(material);
        container.AddSet(mesh);
        if (!e.triangles.empty()) {
          e.type = 8;
          for (const auto& p : pts) e.points.insert(e.points.end(), {p.x, p.y, p.z});
          expected.push_back(e);
        }
        break;
      }
      case 2: {  // line set: read back as its segments
        auto* lines = new xLineSet;
        const unsigned count = in.Next(4);
        for (unsigned l = 0; l < count; ++l) {
          xLine* line = lines->NewLine();
          std::vector<xFVector> pts;
          const unsigned k = in.Next(5);
          for (unsigned j = 0; j < k; ++j) point(pts), line->AddPoint(xVector(pts.back()));
          for (unsigned j = 0; j + 1 < pts.size(); ++j)
            for (const auto& p : {pts[j], pts[j + 1]}) e.points.insert(e.points.end(), {p.x, p.y, p.z});
        }
        lines->SetMaterial(material);
        container.AddSet(lines);
        if (!e.points.empty()) e.type = 9, expected.push_back(e);
        break;
      }
      default: {  // compact line set: pairs first, then polylines
        auto* lines = new xCompactLineSet;
        std::vector<xFVector> pts;
        const unsigned pairs = in.Next(4);
        for (unsigned j = 0; j < pairs; ++j) {
          point(pts), point(pts);
          const xFVector& a = pts[pts.size() - 2];
          const xFVector& b = pts.back();
          lines->AddLinePoints(a.x, a.y, a.z, b.x, b.y, b.z);
          for (const auto& p : {a, b}) e.points.insert(e.points.end(), {p.x, p.y, p.z});
        }
        const unsigned polylines = in.Next(3);
        for (unsigned l = 0; l < polylines; ++l) {
          const unsigned k = 1 + in.Next(4);
          std::vector<xFVector> poly;
          for (unsigned j = 0; j < k; ++j) {
            point(poly);
            lines->AddPolyLinePoint(poly.back().x, poly.back().y, poly.back().z, j == 0);
          }
          for (unsigned j = 0; j + 1 < poly.size(); ++j)
            for (const auto& p : {poly[j], poly[j + 1]}) e.points.insert(e.points.end(), {p.x, p.y, p.z});
        }
        lines->Update();
        lines->SetMaterial(material);
        container.AddSet(lines);
        if (!e.points.empty()) e.type = 9, expected.push_back(e);
        break;
      }
    }
  }
}

void Compare(const std::vector<Expected>& expected, xGeoContainer& read) {
  if (static_cast<std::size_t>(read.GetSetCount()) != expected.size()) Mismatch("set count", expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    xGeoSet* set = read.GetSet(static_cast<int>(i));
    if (set->GetType() != e.type) Mismatch("type", i);
    if (xPdbUtil::GetDenebIndex(set->GetMaterial()) != e.colour) Mismatch("colour", i);
    std::vector<float> points;
    if (auto* mesh = dynamic_cast<xTriMesh*>(set)) {
      for (int p = 0; p < mesh->GetPointCount(); ++p)
        points.insert(points.end(), {mesh->GetPoint(p).x, mesh->GetPoint(p).y, mesh->GetPoint(p).z});
      std::vector<unsigned> triangles;
      for (int t = 0; t < mesh->GetTriangleCount(); ++t)
        triangles.insert(triangles.end(),
                         {mesh->GetTriangle(t).a, mesh->GetTriangle(t).b, mesh->GetTriangle(t).c});
      if (triangles != e.triangles) Mismatch("triangles", i);
    } else if (auto* lines = dynamic_cast<xCompactLineSet*>(set)) {
      for (int p = 0; p < lines->GetPointCount(); ++p)
        points.insert(points.end(), {lines->GetPoint(p).x, lines->GetPoint(p).y, lines->GetPoint(p).z});
    }
    if (points.size() != e.points.size()) Mismatch("point count", i);
    for (std::size_t k = 0; k < points.size(); ++k)
      if (!Close(points[k], e.points[k])) Mismatch("coordinates", i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The host's library of the 32 colours, so that colours survive by name.
  for (int index = 4; index <= 35; ++index) xMatReader::AddMaterial(xPdbUtil::NewMaterial(index));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  xGeometry original;
  std::vector<Expected> expected;
  Populate(in, *original.GetContainer(), expected);

  std::stringbuf text;
  xStream out(&text);
  xPdb09 writer;
  if (writer.Write(&out, &original) != 0) {
    std::fprintf(stderr, "writing into memory failed\n");
    std::abort();
  }

  std::stringbuf input(text.str(), std::ios::in);
  xStream stream(&input);
  xGeometry copy;
  xGeometry* host = &copy;
  xPdb09 reader;
  const int status = reader.Read(&stream, &host);
  if (status != 0) {
    std::fprintf(stderr, "round trip read failed: %s\n%s", reader.Explain(status), text.str().c_str());
    std::abort();
  }
  Compare(expected, *host->GetContainer());
  return 0;
}
