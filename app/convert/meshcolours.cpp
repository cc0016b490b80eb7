#include "app/convert/meshcolours.h"

#include "host/xmaterial.h"

bool MeshColours::Resolve(const Package& package, std::string& error) {
  m_colours = package.Colours();
  if (m_colours.newMaterial && m_colours.material && m_colours.index && m_colours.name && m_colours.base)
    return true;
  error = "the package does not export its colour table";
  return false;
}

int MeshColours::Index(xMaterial* material) const { return m_colours.index(material); }

int MeshColours::Index(const std::string& name, const float diffuse[3]) const {
  xMaterial material;
  material.SetName(name.c_str());
  material.SetDiffuse(diffuse[0], diffuse[1], diffuse[2], 1.0f);
  return m_colours.index(&material);
}

int MeshColours::IndexByName(const std::string& name) const {
  // Farther than 3 from every colour of the table: only the name can match.
  const float nowhere[3] = {-9.0f, -9.0f, -9.0f};
  return Index(name, nowhere);
}

xMaterial* MeshColours::Material(int index) const { return m_colours.material(index); }

const char* MeshColours::Name(int index) const { return m_colours.name(index); }

void MeshColours::BaseColour(int index, float rgb[3]) const { m_colours.base(index, rgb); }
