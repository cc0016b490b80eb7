#pragma once

#include <cmath>

// The geometry of one triangle in double precision, for every caller that
// weighs or drops triangles: callers form the edges (in the precision they
// need), the cross product and its length follow one order of operations.
struct xDVec3 {
  double x = 0.0, y = 0.0, z = 0.0;
};

inline xDVec3 xCross(const xDVec3& u, const xDVec3& v) {
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

inline double xDot(const xDVec3& a, const xDVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline double xLength(const xDVec3& v) { return std::sqrt(xDot(v, v)); }

inline bool xIsZero(const xDVec3& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

// Half the length of the cross product of the edges from a.
inline double xTriangleArea(const xDVec3& u, const xDVec3& v) { return 0.5 * xLength(xCross(u, v)); }
