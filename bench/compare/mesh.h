#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The generated data that every contender reads or writes: one triangle mesh
// over a columns x rows grid of a gently curved surface.
struct GridMesh {
  int columns = 0, rows = 0;
  std::vector<float> points;             // x, y, z per point
  std::vector<std::uint32_t> triangles;  // three zero-based point indices each

  std::size_t PointCount() const { return points.size() / 3; }
  std::size_t TriangleCount() const { return triangles.size() / 3; }
  // What the mesh occupies as arrays: 12 bytes a point and 12 a triangle.
  std::size_t DataBytes() const { return (points.size() + triangles.size()) * 4; }
};

GridMesh MakeGrid(int columns, int rows);

// Numbers as "%g" and "%d" print them, appended without allocation per number.
void AppendReal(std::string& out, double value);
void AppendInt(std::string& out, long long value);

// The version-9 part that the package writes for this mesh as the only set,
// with colour index `colour`: the plain to_chars loop of the comparison. It
// fills a 1 MiB buffer and hands each full one to fwrite; false when the
// file could not take it all.
bool WritePdb9(std::FILE* file, const GridMesh& mesh, int colour);

// The same mesh as an OBJ file: "v x y z" lines and one-based "f a b c"
// lines, written the same way.
bool WriteObj(std::FILE* file, const GridMesh& mesh);

// A version-11 part of `count` trimmed bicubic surfaces (5 x 5 control points,
// two knot spans each way), each trimmed to a chamfered outline with a round
// hole, laid out side by side; `first` numbers the first surface, so that
// parts with different numbers hold different surfaces.
std::string SurfacePart(int count, int first = 0);

// Order-sensitive checksums that two readers of the same file must agree on.
std::uint64_t PointChecksum(const float* xyz, std::size_t floats);
std::uint64_t IndexChecksum(const std::uint32_t* indices, std::size_t count);
