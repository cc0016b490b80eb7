// The whole colour table through the package's C entry points, against values
// written out here rather than taken from the table itself: a swapped name or
// base colour shows as a failure of its own row.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/xmaterial.h"
#include "package/qxm.h"
#include "pdb/xpdbutil.h"

namespace {

struct Row {
  int index;
  const char* name;
  float red, green, blue;
};

constexpr Row kTable[] = {
    {4, "WHITE", 1.0f, 1.0f, 1.0f},          {5, "GREY", 0.5f, 0.5f, 0.5f},
    {6, "BLACK", 0.3f, 0.3f, 0.3f},          {7, "RED", 1.0f, 0.0f, 0.0f},
    {8, "GREEN", 0.0f, 1.0f, 0.0f},          {9, "BLUE", 0.0f, 0.0f, 1.0f},
    {10, "YELLOW", 1.0f, 1.0f, 0.0f},        {11, "CYAN", 0.0f, 1.0f, 1.0f},
    {12, "PURPLE", 0.66f, 0.33f, 1.0f},      {13, "ORANGE", 1.0f, 0.38f, 0.0f},
    {14, "MAGENTA", 1.0f, 0.0f, 1.0f},       {15, "CHERRY", 1.0f, 0.2f, 0.5f},
    {16, "LIGHT_BLUE", 0.6f, 0.6f, 1.0f},    {17, "BROWN", 0.5f, 0.2f, 0.0f},
    {18, "LIME", 0.0f, 0.5f, 0.0f},          {19, "TAN", 1.0f, 0.66f, 0.5f},
    {20, "PDB_COLOR17", 0.0f, 0.0f, 0.0f},   {21, "PDB_COLOR18", 0.75f, 0.75f, 0.75f},
    {22, "PDB_COLOR19", 0.4f, 0.4f, 0.35f},  {23, "PDB_COLOR20", 0.0f, 0.5f, 0.5f},
    {24, "PDB_COLOR21", 0.0f, 0.3f, 0.55f},  {25, "PDB_COLOR22", 0.1f, 0.1f, 0.35f},
    {26, "PDB_COLOR23", 0.25f, 0.1f, 0.25f}, {27, "PDB_COLOR24", 1.0f, 0.75f, 0.2f},
    {28, "PDB_COLOR25", 0.7f, 0.15f, 0.15f}, {29, "PDB_COLOR26", 1.0f, 0.6f, 0.05f},
    {30, "PDB_COLOR27", 0.35f, 0.55f, 0.6f}, {31, "PDB_COLOR28", 0.45f, 0.6f, 0.5f},
    {32, "PDB_COLOR29", 0.2f, 0.65f, 0.35f}, {33, "PDB_COLOR30", 0.45f, 0.45f, 0.35f},
    {34, "PDB_COLOR31", 0.6f, 0.5f, 0.4f},   {35, "PDB_COLOR32", 0.85f, 0.7f, 0.55f},
};
static_assert(std::size(kTable) == 32);

std::vector<float> Rgb(const Row& row) { return {row.red, row.green, row.blue}; }
std::vector<float> Base(int index) {
  float rgb[3] = {-1, -1, -1};
  QXMPkgColourBase(index, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}
std::vector<float> Three(const float* p) { return {p[0], p[1], p[2]}; }

std::unique_ptr<xMaterial> Material(const std::string& name, const std::vector<float>& rgb) {
  auto material = std::make_unique<xMaterial>();
  material->SetName(name.c_str());
  material->SetDiffuse(rgb[0], rgb[1], rgb[2], 1.0f);
  return material;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

TEST(ColourTable, EveryIndexHasItsNameAndBaseColour) {
  for (const Row& row : kTable) {
    EXPECT_STREQ(QXMPkgColourName(row.index), row.name) << row.index;
    EXPECT_STREQ(xPdbUtil::DenebMaterials[row.index - 4], row.name) << row.index;
    EXPECT_EQ(Base(row.index), Rgb(row)) << row.name;
  }
  for (int outside : {-2, 0, 3, 36, 1000}) {
    EXPECT_STREQ(QXMPkgColourName(outside), "PDB_DEFAULT") << outside;
    EXPECT_EQ(Base(outside), std::vector<float>({0.1f, 0.9f, 0.9f})) << outside;
  }
}

TEST(ColourTable, NewMaterialsCarryTheNameAndShadesOfTheBaseColour) {
  for (const Row& row : kTable) {
    const std::unique_ptr<xMaterial> material(QXMPkgNewColourMaterial(row.index));
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->GetName().c_str(), row.name);
    EXPECT_EQ(Three(material->GetSpecular()), Rgb(row)) << row.name;
    const std::vector<float> diffuse = Three(material->GetDiffuse());
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(diffuse[c], 0.67f * Rgb(row)[c]) << row.name << ' ' << c;
  }
}

TEST(ColourTable, AMaterialMapsToItsIndexByNameElseByColour) {
  const std::vector<float> nowhere = {-9, -9, -9};
  for (const Row& row : kTable) {
    EXPECT_EQ(QXMPkgColourIndex(Material(row.name, nowhere).get()), row.index) << row.name;
    EXPECT_EQ(QXMPkgColourIndex(Material(Lower(row.name), nowhere).get()), row.index) << row.name;
    EXPECT_EQ(QXMPkgColourIndex(Material("unnamed", Rgb(row)).get()), row.index) << row.name;
  }
  EXPECT_EQ(QXMPkgColourIndex(Material("PDB_DEFAULT", nowhere).get()), -2);
  EXPECT_EQ(QXMPkgColourIndex(nullptr), -2);
}

TEST(ColourTable, AnIndexMapsToTheLibrarysMaterialOfItsNameElseTheClosestSimpleOne) {
  xMatReader::ClearLibrary();
  for (const Row& row : kTable) {
    EXPECT_EQ(QXMPkgColourMaterial(row.index),
              xMatReader::GetClosestSimpleSystemMaterial(row.red, row.green, row.blue))
        << row.name;
  }
  std::vector<xMaterial*> installed;
  for (const Row& row : kTable) {
    installed.push_back(QXMPkgNewColourMaterial(row.index));
    xMatReader::AddMaterial(installed.back());
  }
  for (const Row& row : kTable) {
    EXPECT_EQ(QXMPkgColourMaterial(row.index), installed[static_cast<std::size_t>(row.index - 4)])
        << row.name;
    // A read followed by a write keeps the colour.
    EXPECT_EQ(QXMPkgColourIndex(QXMPkgColourMaterial(row.index)), row.index) << row.name;
  }
  for (int outside : {-2, 3, 36}) EXPECT_EQ(QXMPkgColourMaterial(outside), nullptr) << outside;
  xMatReader::ClearLibrary();
}

}  // namespace
