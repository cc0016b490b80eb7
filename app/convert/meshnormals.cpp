#include "app/convert/meshnormals.h"

#include <cmath>
#include <cstddef>

#include "host/xtriangle.h"

namespace {

using Vec = aiVector3t<double>;

// Assimp defines its vector operators for float only.
Vec Minus(const aiVector3D& a, const aiVector3D& b) {
  return {static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y, static_cast<double>(a.z) - b.z};
}
xDVec3 D(const Vec& a) { return {a.x, a.y, a.z}; }
double Dot(const Vec& a, const Vec& b) { return xDot(D(a), D(b)); }
Vec Cross(const Vec& u, const Vec& v) {
  const xDVec3 n = xCross(D(u), D(v));
  return {n.x, n.y, n.z};
}
void Add(Vec& sum, const Vec& v) {
  sum.x += v.x;
  sum.y += v.y;
  sum.z += v.z;
}

// Not normalised: its length is twice the triangle's area.
Vec AreaNormal(const aiVector3D& a, const aiVector3D& b, const aiVector3D& c) {
  return Cross(Minus(b, a), Minus(c, a));
}

Vec Unit(const Vec& v) {
  const double length = xLength(D(v));
  // Products of huge coordinates overflow; such a face has no usable normal.
  if (!(length > 0.0) || !std::isfinite(length)) return {0, 0, 0};
  return {v.x / length, v.y / length, v.z / length};
}

aiVector3D Narrow(const Vec& v) {
  return {static_cast<ai_real>(v.x), static_cast<ai_real>(v.y), static_cast<ai_real>(v.z)};
}

bool Zero(const Vec& v) { return xIsZero(D(v)); }

double CornerAngle(const std::vector<aiVector3D>& vertices, const std::vector<unsigned>& corners,
                   std::size_t corner) {
  const std::size_t base = corner - corner % 3, k = corner % 3;
  const aiVector3D& p = vertices[corners[corner]];
  const Vec u = Minus(vertices[corners[base + (k + 1) % 3]], p),
            v = Minus(vertices[corners[base + (k + 2) % 3]], p);
  const Vec cross = Cross(u, v);
  return std::atan2(std::sqrt(Dot(cross, cross)), Dot(u, v));
}

struct Group {
  Vec seed;  // unit normal of the group's first face
  Vec sum;   // angle-weighted
  unsigned vertex = 0;
};

}  // namespace

Vec FaceNormal(const aiVector3D& a, const aiVector3D& b, const aiVector3D& c) {
  return Unit(AreaNormal(a, b, c));
}

ShadedTriangles SmoothNormals(const std::vector<aiVector3D>& vertices, const std::vector<unsigned>& corners,
                              double creaseDegrees) {
  const std::size_t faceCount = corners.size() / 3;
  std::vector<Vec> unit(faceCount);
  for (std::size_t f = 0; f < faceCount; ++f)
    unit[f] = Unit(
        AreaNormal(vertices[corners[3 * f]], vertices[corners[3 * f + 1]], vertices[corners[3 * f + 2]]));

  // The corners around each vertex, by counting: `slot[c]` is corner c's
  // place in its vertex's list.
  std::vector<std::size_t> first(vertices.size() + 1, 0);
  for (const unsigned v : corners) ++first[v + 1];
  for (std::size_t v = 0; v < vertices.size(); ++v) first[v + 1] += first[v];
  std::vector<std::size_t> around(corners.size()), slot(corners.size());
  {
    std::vector<std::size_t> next(first.begin(), first.end() - 1);
    for (std::size_t c = 0; c < corners.size(); ++c) {
      slot[c] = next[corners[c]]++;
      around[slot[c]] = c;
    }
  }

  const double minCosine = std::cos(creaseDegrees * M_PI / 180.0);
  ShadedTriangles result;
  result.vertices.reserve(vertices.size());
  result.normals.reserve(vertices.size());
  std::vector<unsigned> copyAt(corners.size());  // per slot
  std::vector<Group> groups;
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    groups.clear();
    for (std::size_t s = first[v]; s < first[v + 1]; ++s) {
      const std::size_t corner = around[s];
      const Vec& n = unit[corner / 3];
      std::size_t g = 0;
      if (Zero(n)) {
        if (groups.empty()) groups.push_back({{0, 0, 0}, {0, 0, 0}, 0});
      } else {
        while (g < groups.size() && !Zero(groups[g].seed) && Dot(groups[g].seed, n) < minCosine) ++g;
        if (g == groups.size()) groups.push_back({n, {0, 0, 0}, 0});
        if (Zero(groups[g].seed)) groups[g].seed = n;  // a group opened by a degenerate face
        // Weighted by the face's angle at the corner, so that how a surface
        // is cut into triangles does not tilt the normal.
        const double angle = CornerAngle(vertices, corners, corner);
        Add(groups[g].sum, {n.x * angle, n.y * angle, n.z * angle});
      }
      copyAt[s] = static_cast<unsigned>(g);
    }
    for (Group& g : groups) {
      g.vertex = static_cast<unsigned>(result.vertices.size());
      result.vertices.push_back(vertices[v]);
      Vec normal = Unit(g.sum);
      if (Zero(normal)) normal = Zero(g.seed) ? Vec(0, 0, 1) : g.seed;
      result.normals.push_back(Narrow(normal));
    }
    for (std::size_t s = first[v]; s < first[v + 1]; ++s) copyAt[s] = groups[copyAt[s]].vertex;
  }
  result.corners.resize(corners.size());
  for (std::size_t c = 0; c < corners.size(); ++c) result.corners[c] = copyAt[slot[c]];
  return result;
}

ShadedTriangles FlatNormals(const std::vector<aiVector3D>& vertices, const std::vector<unsigned>& corners) {
  ShadedTriangles result;
  result.vertices.reserve(corners.size());
  result.normals.reserve(corners.size());
  result.corners.reserve(corners.size());
  for (std::size_t c = 0; c + 2 < corners.size(); c += 3) {
    const aiVector3D &a = vertices[corners[c]], &b = vertices[corners[c + 1]], &d = vertices[corners[c + 2]];
    const aiVector3D normal = Narrow(FaceNormal(a, b, d));
    for (const aiVector3D* p : {&a, &b, &d}) {
      result.corners.push_back(static_cast<unsigned>(result.vertices.size()));
      result.vertices.push_back(*p);
      result.normals.push_back(normal);
    }
  }
  return result;
}
