#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A mesh file's content as the importing process hands it over: plain
// arrays, one part per kind of primitive and colour of each placed mesh.
struct ImportedPart {
  enum Kind : std::uint8_t { kPoints = 1, kSegments = 2, kTriangles = 3 };
  Kind kind = kTriangles;
  std::int32_t colour = -2;  // Deneb colour index; -2 for none
  // x, y, z each. Triangles share welded points; segments have two points
  // each and points one, in order.
  std::vector<float> points;
  std::vector<std::uint32_t> corners;  // three points a triangle; empty otherwise
};

struct ImportedScene {
  std::vector<ImportedPart> parts;
  std::int64_t facesWithoutCorners = 0;
  std::int64_t facesNotFinite = 0;  // with a corner at infinity or not a number
};

// The scene as bytes: counts, then each part's arrays as they lie in memory.
std::string EncodeScene(const ImportedScene& scene);
// False with the reason in `error` when the bytes are not a whole scene or
// a triangle names a point that its part does not have.
bool DecodeScene(std::string_view bytes, ImportedScene& scene, std::string& error);
