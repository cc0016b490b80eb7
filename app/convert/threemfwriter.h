#pragma once

#include <string>

struct aiScene;

// The scene's triangle meshes as a 3MF package in millimetres: one object
// per mesh, the object and each of its triangles carrying the mesh's
// material as a base material with the material's name and its diffuse
// colour as opaque sRGB bytes. False with the reason in `error` when the
// package would outgrow a zip without ZIP64.
bool Write3mf(const aiScene& scene, std::string& bytes, std::string& error);
