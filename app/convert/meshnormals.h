#pragma once

#include <vector>

#include <assimp/vector3.h>

// Triangles over shared corners, as the exporters take them.
struct ShadedTriangles {
  std::vector<aiVector3D> vertices;
  std::vector<aiVector3D> normals;  // one per vertex
  std::vector<unsigned> corners;    // three per triangle
};

// The crease angle in degrees at which corners stop sharing a normal.
inline constexpr double kCreaseDegrees = 30.0;

// Vertex normals that follow the faces: a corner is split wherever the
// faces around it meet at more than `creaseDegrees`, so each copy carries
// the mean of a group of faces, weighted by their angles at the corner, that lie within that angle of
// the group's first face; every face's corners then point to the side its
// winding gives. Degenerate triangles join any group of their corners.
// Corner indices must be below `vertices.size()`.
ShadedTriangles SmoothNormals(const std::vector<aiVector3D>& vertices, const std::vector<unsigned>& corners,
                              double creaseDegrees = kCreaseDegrees);

// Each triangle on corners of its own, all carrying its normal.
ShadedTriangles FlatNormals(const std::vector<aiVector3D>& vertices, const std::vector<unsigned>& corners);

// The unit normal of the triangle by its winding, in double precision;
// zero for a triangle without area.
aiVector3t<double> FaceNormal(const aiVector3D& a, const aiVector3D& b, const aiVector3D& c);
