#pragma once

#include <cstdint>
#include <vector>

// Joins the corners of a mesh that lie at exactly the same position. PDB
// keeps nothing but positions, so corners that other formats keep apart for
// their normals, colours or texture coordinates are one point here. Time and
// memory are linear in the corners: a hash table of indices into the points.
class PositionWeld {
 public:
  // `expected` corners size the table; more are taken as they come.
  explicit PositionWeld(std::size_t expected = 0);

  // The index of the point at (x, y, z), added when it is new. 0 and -0 are
  // one position; positions must be finite.
  std::uint32_t Add(float x, float y, float z);

  std::size_t PointCount() const { return m_points.size() / 3; }
  // x, y, z of each point in the order of first use.
  const std::vector<float>& Points() const { return m_points; }
  // The points, leaving the weld empty.
  std::vector<float> TakePoints();

 private:
  void Grow();

  std::vector<float> m_points;
  std::vector<std::uint32_t> m_slots;  // point index + 1; 0 is empty
  std::size_t m_mask = 0;
};
