#pragma once

#include <string>

struct aiScene;

// The scene's triangles as one STL solid, each facet with the normal of
// its own triangle (zero for a triangle without area).
std::string WriteStl(const aiScene& scene, bool binary);
