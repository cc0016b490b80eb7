#pragma once

#include <initializer_list>
#include <memory>
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

namespace writetest {

// The whole text that one version class writes for a geometry.
template <class Version>
std::string Written(xGeometry& geometry, int* result = nullptr) {
  std::stringbuf buffer;
  xStream stream(&buffer);
  const int r = Version().Write(&stream, &geometry);
  if (result) *result = r;
  return buffer.str();
}

inline xMaterial* Named(const char* name) {
  static std::vector<std::unique_ptr<xMaterial>> kept;
  kept.push_back(std::make_unique<xMaterial>());
  kept.back()->SetName(name);
  return kept.back().get();
}

struct Point3 {
  double x, y, z;
};

// Point identifiers are deliberately not positions, so renumbering shows.
inline xPolyMesh* AddPolyMesh(xGeometry& geometry, std::initializer_list<Point3> points,
                              std::initializer_list<std::vector<int>> polygons,
                              xMaterial* material = nullptr) {
  auto* mesh = new xPolyMesh;
  std::vector<xPolyPoint*> table;
  for (const Point3& p : points) table.push_back(mesh->AddPoint(p.x, p.y, p.z, 100 - int(table.size())));
  for (const auto& corners : polygons) {
    xPolygon* polygon = mesh->NewPolygon();
    for (int c : corners) polygon->AddVertex(table[std::size_t(c)]);
  }
  mesh->SetMaterial(material);
  geometry.GetContainer()->AddSet(mesh);
  return mesh;
}

inline xTriMesh* AddTriMesh(xGeometry& geometry, std::initializer_list<Point3> points,
                            std::initializer_list<xTriMeshData::xTriangle> triangles,
                            xMaterial* material = nullptr) {
  auto* mesh = new xTriMesh;
  for (const Point3& p : points) mesh->AddPoint(p.x, p.y, p.z);
  for (const auto& t : triangles) mesh->AddTriangle(t);
  mesh->SetMaterial(material);
  geometry.GetContainer()->AddSet(mesh);
  return mesh;
}

// The unit square and a triangle on its right edge, sharing the edge 1-2.
inline xPolyMesh* AddSquareAndTriangle(xGeometry& geometry, xMaterial* material = nullptr) {
  return AddPolyMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0.5, 0}},
                     {{0, 1, 2, 3}, {1, 4, 2}}, material);
}
const char* const kSquareAndTrianglePoints = "5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n";

}  // namespace writetest
