#pragma once

#include <string>

#include "app/read/package.h"

class xMaterial;

// The package's own mapping between Deneb colour indices and materials,
// through the entry points the package exports for it.
class MeshColours {
 public:
  // False with the reason in `error` when the package lacks a function.
  bool Resolve(const Package& package, std::string& error);

  // By the material's name, else by its diffuse colour; -2 for no colour.
  int Index(xMaterial* material) const;
  int Index(const std::string& name, const float diffuse[3]) const;
  // The colour named `name` (any case), or -2.
  int IndexByName(const std::string& name) const;

  // The host's material for a colour; null for no colour.
  xMaterial* Material(int index) const;
  // "PDB_DEFAULT" for no colour.
  const char* Name(int index) const;
  // The colour's red, green and blue in the package's table.
  void BaseColour(int index, float rgb[3]) const;

 private:
  PackageColours m_colours;
};
