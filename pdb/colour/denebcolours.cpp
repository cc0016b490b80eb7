#include "pdb/colour/denebcolours.h"

#include <cmath>
#include <string_view>

#include "host/xgeoset.h"
#include "pdb/xpdbutil.h"

namespace {

struct DenebColour {
  double red, green, blue;
};

using xpdb::kFirstColour;
using xpdb::kNoColour;

constexpr DenebColour kBaseColours[xpdb::kColourCount] = {
    {1.0, 1.0, 1.0},  {0.5, 0.5, 0.5},   {0.3, 0.3, 0.3},    {1.0, 0.0, 0.0},   {0.0, 1.0, 0.0},
    {0.0, 0.0, 1.0},  {1.0, 1.0, 0.0},   {0.0, 1.0, 1.0},    {0.66, 0.33, 1.0}, {1.0, 0.38, 0.0},
    {1.0, 0.0, 1.0},  {1.0, 0.2, 0.5},   {0.6, 0.6, 1.0},    {0.5, 0.2, 0.0},   {0.0, 0.5, 0.0},
    {1.0, 0.66, 0.5}, {0.0, 0.0, 0.0},   {0.75, 0.75, 0.75}, {0.4, 0.4, 0.35},  {0.0, 0.5, 0.5},
    {0.0, 0.3, 0.55}, {0.1, 0.1, 0.35},  {0.25, 0.1, 0.25},  {1.0, 0.75, 0.2},  {0.7, 0.15, 0.15},
    {1.0, 0.6, 0.05}, {0.35, 0.55, 0.6}, {0.45, 0.6, 0.5},   {0.2, 0.65, 0.35}, {0.45, 0.45, 0.35},
    {0.6, 0.5, 0.4},  {0.85, 0.7, 0.55},
};

constexpr DenebColour kDefaultColour = {0.1, 0.9, 0.9};
constexpr const char* kDefaultName = "PDB_DEFAULT";

}  // namespace

const char* xPdbUtil::DenebMaterials[xpdb::kColourCount] = {
    "WHITE",       "GREY",        "BLACK",       "RED",         "GREEN",       "BLUE",        "YELLOW",
    "CYAN",        "PURPLE",      "ORANGE",      "MAGENTA",     "CHERRY",      "LIGHT_BLUE",  "BROWN",
    "LIME",        "TAN",         "PDB_COLOR17", "PDB_COLOR18", "PDB_COLOR19", "PDB_COLOR20", "PDB_COLOR21",
    "PDB_COLOR22", "PDB_COLOR23", "PDB_COLOR24", "PDB_COLOR25", "PDB_COLOR26", "PDB_COLOR27", "PDB_COLOR28",
    "PDB_COLOR29", "PDB_COLOR30", "PDB_COLOR31", "PDB_COLOR32",
};

void xpdb::ColourSet(xGeoSet& set, int colour) {
  set.SetMaterial(xPdbUtil::GetDenebMaterial(colour));
  set.SetMaterialMode(MaterialModeOf(colour));
}

const char* xPdbUtil::DenebMaterialName(int index) {
  return xpdb::IsColourIndex(index) ? DenebMaterials[index - kFirstColour] : kDefaultName;
}

void xPdbUtil::SetBaseColor(int index, xVector& colour) {
  const DenebColour& c = xpdb::IsColourIndex(index) ? kBaseColours[index - kFirstColour] : kDefaultColour;
  colour.Set(c.red, c.green, c.blue);
}

xMaterial* xPdbUtil::GetDenebMaterial(int index) {
  const xTString<char> name(DenebMaterialName(index));
  if (name.Equals(kDefaultName)) return nullptr;
  if (xMaterial* named = xMatReader::FindMaterial(name, false)) return named;
  xVector base;
  SetBaseColor(index, base);
  return xMatReader::GetClosestSimpleSystemMaterial(static_cast<float>(base.x), static_cast<float>(base.y),
                                                    static_cast<float>(base.z));
}

int xPdbUtil::GetDenebIndex(xMaterial* material) {
  if (!material) return kNoColour;
  xTString<char> name(material->GetName());
  name.ToUpperCase();
  const std::string_view upper(name.c_str(), name.Length());
  for (int index = kFirstColour; index <= xpdb::kLastColour; ++index)
    if (upper == DenebMaterials[index - kFirstColour]) return index;

  const float* diffuse = material->GetDiffuse();
  double best = 3.0;
  int result = kNoColour;
  for (int index = kFirstColour; index <= xpdb::kLastColour; ++index) {
    const double distance = DistFromDenebColor(diffuse, index);
    if (distance < best) {
      best = distance;
      result = index;
    }
  }
  return result;
}

xMaterial* xPdbUtil::NewMaterial(int index) {
  auto* material = new xMaterial;
  material->SetName(DenebMaterialName(index));
  xVector c(1.0, 1.0, 1.0, 1.0);
  SetBaseColor(index, c);
  auto scaled = [&](double f, auto setter) {
    (material->*setter)(static_cast<float>(f * c.x), static_cast<float>(f * c.y), static_cast<float>(f * c.z),
                        static_cast<float>(f * c.w));
  };
  scaled(1.0, &xMaterial::SetSpecular);
  scaled(0.67, &xMaterial::SetDiffuse);
  scaled(0.33, &xMaterial::SetAmbient);
  scaled(0.01, &xMaterial::SetEmissive);
  material->SetShininess(0.1f);
  return material;
}

double xPdbUtil::VectDist(const float* rgb, xVector& colour) {
  const double red = std::fabs(static_cast<double>(rgb[0]) - colour.x);
  const double green = std::fabs(static_cast<double>(rgb[1]) - colour.y);
  const double blue = std::fabs(static_cast<double>(rgb[2]) - colour.z);
  return (red + green) + blue;
}

double xPdbUtil::DistFromDenebColor(const float* rgb, int index) {
  xVector base;
  SetBaseColor(index, base);
  return VectDist(rgb, base);
}
