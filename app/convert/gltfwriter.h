#pragma once

#include <string>

struct aiScene;

// The scene as glTF 2: one node and one mesh of one primitive per scene
// mesh (triangles, lines or points, with their normals where the mesh has
// them), one material per scene material with its diffuse colour as base
// colour, all data in one buffer. Binary: `main` is the whole .glb. Text:
// `main` is the JSON, whose buffer is the file `binName` beside it, holding
// `buffer`. Time and memory are linear in the scene. False with the reason
// in `error` when the binary container cannot hold that much.
struct GltfFiles {
  std::string main, buffer;
};

bool WriteGltf(const aiScene& scene, bool binary, const std::string& binName, GltfFiles& files,
               std::string& error);
