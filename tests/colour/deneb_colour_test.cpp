#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "host/xmaterial.h"
#include "pdb/xpdbutil.h"

namespace {

std::unique_ptr<xMaterial> Material(const char* name, float r, float g, float b) {
  auto m = std::make_unique<xMaterial>();
  m->SetName(name);
  m->SetDiffuse(r, g, b, 1.0f);
  return m;
}

TEST(DenebColours, NamesBaseColoursAndNewMaterialsCoverIndicesFourToThirtyFive) {
  const std::tuple<int, const char*, std::vector<double>> cases[] = {
      {4, "WHITE", {1, 1, 1}},
      {6, "BLACK", {0.3, 0.3, 0.3}},  // a dark grey
      {20, "PDB_COLOR17", {0, 0, 0}},
      {35, "PDB_COLOR32", {0.85, 0.7, 0.55}},
      {3, "PDB_DEFAULT", {0.1, 0.9, 0.9}},
      {36, "PDB_DEFAULT", {0.1, 0.9, 0.9}}};
  for (const auto& [index, name, rgb] : cases) {
    EXPECT_STREQ(xPdbUtil::DenebMaterialName(index), name) << index;
    xVector v(9.0, 9.0, 9.0, 7.0);
    xPdbUtil::SetBaseColor(index, v);
    EXPECT_EQ(std::vector<double>({v.x, v.y, v.z, v.w}), std::vector<double>({rgb[0], rgb[1], rgb[2], 7.0}));
  }
  for (int index = 4; index <= 35; ++index)
    EXPECT_EQ(xPdbUtil::DenebMaterialName(index), xPdbUtil::DenebMaterials[index - 4]) << index;
  std::unique_ptr<xMaterial> white(xPdbUtil::NewMaterial(4)), other(xPdbUtil::NewMaterial(99));
  const auto four = [](const float* p) { return std::vector<float>(p, p + 4); };
  EXPECT_STREQ(white->GetName().c_str(), "WHITE");
  EXPECT_EQ(four(white->GetSpecular()), std::vector<float>(4, 1.0f));
  EXPECT_EQ(four(white->GetDiffuse()), std::vector<float>(4, 0.67f));  // alpha scaled too
  EXPECT_EQ(four(white->GetAmbient()), std::vector<float>(4, 0.33f));
  EXPECT_EQ(four(white->GetEmissive()), std::vector<float>(4, 0.01f));
  EXPECT_FLOAT_EQ(white->GetShininess(), 0.1f);
  EXPECT_STREQ(other->GetName().c_str(), "PDB_DEFAULT");
  EXPECT_EQ(four(other->GetSpecular()), std::vector<float>({0.1f, 0.9f, 0.9f, 1.0f}));
}

TEST(DenebColours, MaterialOfAnIndexIsTheNamedOneElseTheClosestSystemOne) {
  xMatReader::ClearLibrary();
  xMatReader::AddMaterial(Material("PDB_DEFAULT", 0.1f, 0.9f, 0.9f).release());
  for (int outside : {-2, 0, 3, 36}) EXPECT_EQ(xPdbUtil::GetDenebMaterial(outside), nullptr) << outside;
  EXPECT_EQ(xPdbUtil::GetDenebMaterial(7), xMatReader::GetClosestSimpleSystemMaterial(1.0f, 0.0f, 0.0f));
  xMaterial* red = Material("RED", 0.2f, 0.2f, 0.9f).release();
  xMatReader::AddMaterial(red);
  EXPECT_EQ(xPdbUtil::GetDenebMaterial(7), red);
  xMatReader::ClearLibrary();
}

TEST(DenebColours, IndexOfAMaterialByItsNameElseByTheClosestColourInL1Distance) {
  EXPECT_EQ(xPdbUtil::GetDenebIndex(nullptr), -2);
  const std::tuple<const char*, float, float, float, int> named[] = {
      {"lime", 1, 1, 1, 18},  // the name wins, in any case
      {"ReD", 0, 0, 1, 7},         {"pdb_color32", 0, 0, 0, 35},
      {"PDB_DEFAULT", 1, 0, 0, 7},  // names off the list go by colour
      {"2", 0, 0, 1, 9},           {"RED ", 0, 1, 0, 8}};
  for (const auto& [name, r, g, b, index] : named) {
    auto m = Material(name, r, g, b);
    EXPECT_EQ(xPdbUtil::GetDenebIndex(m.get()), index) << '"' << name << '"';
    EXPECT_STREQ(m->GetName().c_str(), name);  // the material keeps its own name
  }
  // Ties go to the lower index; 3.0 from every colour is too far.
  const float byColour[][4] = {{1, 1, 1, 4},     {0, 0, 0, 20},     {0.3f, 0.3f, 0.3f, 6},
                               {0, 0.75f, 0, 8}, {0, 0.25f, 0, 18}, {-1, -1, -1, -2}};
  for (const auto& c : byColour)
    EXPECT_EQ(xPdbUtil::GetDenebIndex(Material("", c[0], c[1], c[2]).get()), c[3]) << c[0] << ' ' << c[1];
  for (int index = 4; index <= 35; ++index) {
    xVector c;
    xPdbUtil::SetBaseColor(index, c);
    EXPECT_EQ(xPdbUtil::GetDenebIndex(Material("", float(c.x), float(c.y), float(c.z)).get()), index);
  }
  const float rgb[3] = {0.5f, 0.25f, 1.0f};
  xVector v(1.0, 0.0, 0.0, 42.0);
  EXPECT_DOUBLE_EQ(xPdbUtil::VectDist(rgb, v), 0.5 + 0.25 + 1.0);
  EXPECT_DOUBLE_EQ(xPdbUtil::DistFromDenebColor(rgb, 7), 1.75);
  EXPECT_DOUBLE_EQ(xPdbUtil::DistFromDenebColor(rgb, 99), 0.4 + 0.65 + 0.1);
}

}  // namespace
