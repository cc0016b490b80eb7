#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/read/summary.h"

class xGeometry;

// Directions the part is seen from. Z is up in every view but the top one,
// where +Y points up the image. The iso view looks from +X+Y+Z towards the
// part; front, side and top look along -Y, -X and -Z, so each shows one of
// the three faces that the iso view shows.
enum class View { kIso, kFront, kTop, kSide };

// "iso", "front", "top" or "side"; false for any other text.
bool ParseView(const std::string& text, View& view);
const char* ViewName(View view);

using Vec3 = std::array<double, 3>;
using Rgb = std::array<float, 3>;

// Everything drawable in a geometry, in the part's own coordinates:
// triangles as three corners each with a unit normal per corner (smoothed
// across edges whose faces meet at a small angle, sharp elsewhere), lines
// as pairs of ends, and points. Colours are the material's diffuse colour.
struct DrawList {
  struct Corner {
    Vec3 position;
    Vec3 normal;
    Rgb colour;
  };
  struct End {
    Vec3 position;
    Rgb colour;
  };
  std::vector<Corner> triangles;
  std::vector<End> lines;
  std::vector<End> points;
  Bounds bounds;
  int setsDrawn = 0;

  bool Empty() const { return triangles.empty() && lines.empty() && points.empty(); }
};

// Colour of a set without material.
inline constexpr Rgb kNeutralGrey = {0.62f, 0.62f, 0.62f};

DrawList CollectDrawList(xGeometry& geometry);

// Vertices ready for the GL: x and y in normalised device coordinates, z the
// depth (-1 nearest); triangle colours already lit.
struct ProjectedScene {
  std::vector<float> triangleVertices, triangleColours;
  std::vector<float> lineVertices, lineColours;
  std::vector<float> pointVertices, pointColours;
};

// Share of the image's width and of its height left free on each side.
inline constexpr double kFrameMargin = 0.05;

// Orthographic view of `list` from `view`: the bounding box fits an image of
// width x height with kFrameMargin around it, with a directional light from
// the viewer's upper left.
ProjectedScene Project(const DrawList& list, View view, int width, int height);
