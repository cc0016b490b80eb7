#include <gtest/gtest.h>

#include <memory>

#include "host/xmaterial.h"
#include "pdb/xpdbutil.h"

namespace {

// Leaves the host library empty for every test; tests add what they need.
class DenebColourTest : public ::testing::Test {
 protected:
  void SetUp() override { xMatReader::ClearLibrary(); }
  void TearDown() override { xMatReader::ClearLibrary(); }
};

std::unique_ptr<xMaterial> Material(const char* name, float r, float g, float b) {
  auto m = std::make_unique<xMaterial>();
  m->SetName(name);
  m->SetDiffuse(r, g, b, 1.0f);
  return m;
}

TEST_F(DenebColourTest, NamesCoverIndicesFourToThirtyFive) {
  EXPECT_STREQ(xPdbUtil::DenebMaterialName(4), "WHITE");
  EXPECT_STREQ(xPdbUtil::DenebMaterialName(6), "BLACK");
  EXPECT_STREQ(xPdbUtil::DenebMaterialName(19), "TAN");
  EXPECT_STREQ(xPdbUtil::DenebMaterialName(20), "PDB_COLOR17");
  EXPECT_STREQ(xPdbUtil::DenebMaterialName(35), "PDB_COLOR32");
  for (int outside : {3, 36, -2, 0, 1000})
    EXPECT_STREQ(xPdbUtil::DenebMaterialName(outside), "PDB_DEFAULT") << outside;
  for (int index = 4; index <= 35; ++index)
    EXPECT_EQ(xPdbUtil::DenebMaterialName(index), xPdbUtil::DenebMaterials[index - 4]);
}

TEST_F(DenebColourTest, BaseColourSetsRgbAndKeepsW) {
  xVector v(9.0, 9.0, 9.0, 7.0);
  xPdbUtil::SetBaseColor(13, v);
  EXPECT_DOUBLE_EQ(v.x, 1.0);
  EXPECT_DOUBLE_EQ(v.y, 0.38);
  EXPECT_DOUBLE_EQ(v.z, 0.0);
  EXPECT_DOUBLE_EQ(v.w, 7.0);

  xPdbUtil::SetBaseColor(6, v);
  EXPECT_DOUBLE_EQ(v.x, 0.3);  // BLACK is a dark grey
  xPdbUtil::SetBaseColor(20, v);
  EXPECT_DOUBLE_EQ(v.x + v.y + v.z, 0.0);

  xPdbUtil::SetBaseColor(99, v);
  EXPECT_DOUBLE_EQ(v.x, 0.1);
  EXPECT_DOUBLE_EQ(v.y, 0.9);
  EXPECT_DOUBLE_EQ(v.z, 0.9);
  EXPECT_DOUBLE_EQ(v.w, 7.0);
}

TEST_F(DenebColourTest, MaterialOutsideTableIsNull) {
  xMatReader::AddMaterial(Material("PDB_DEFAULT", 0.1f, 0.9f, 0.9f).release());
  for (int outside : {-2, 0, 3, 36}) EXPECT_EQ(xPdbUtil::GetDenebMaterial(outside), nullptr) << outside;
}

TEST_F(DenebColourTest, MaterialIsFoundByNameFirst) {
  auto red = Material("RED", 0.2f, 0.2f, 0.9f);
  xMaterial* raw = red.get();
  xMatReader::AddMaterial(red.release());
  EXPECT_EQ(xPdbUtil::GetDenebMaterial(7), raw);
}

TEST_F(DenebColourTest, MaterialFallsBackToClosestSystemColour) {
  xMaterial* red = xPdbUtil::GetDenebMaterial(7);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red, xMatReader::GetClosestSimpleSystemMaterial(1.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(red->GetDiffuse()[0], 1.0f);
  EXPECT_FLOAT_EQ(red->GetDiffuse()[1], 0.0f);
}

TEST_F(DenebColourTest, IndexOfNullMaterialIsNoColour) { EXPECT_EQ(xPdbUtil::GetDenebIndex(nullptr), -2); }

TEST_F(DenebColourTest, IndexByNameIgnoresCaseAndColour) {
  auto lime = Material("lime", 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(xPdbUtil::GetDenebIndex(lime.get()), 18);
  EXPECT_STREQ(lime->GetName().c_str(), "lime");  // the material keeps its own name
  auto mixed = Material("ReD", 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(xPdbUtil::GetDenebIndex(mixed.get()), 7);
  auto last = Material("pdb_color32", 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(xPdbUtil::GetDenebIndex(last.get()), 35);
}

TEST_F(DenebColourTest, IndexByColourWhenNameIsNoColourKey) {
  struct Case {
    const char* name;
    float r, g, b;
    int expected;
  };
  const Case cases[] = {
      {"", 1.0f, 1.0f, 1.0f, 4},
      {"", 0.0f, 0.0f, 0.0f, 20},  // pure black, not BLACK
      {"", 0.3f, 0.3f, 0.3f, 6},
      {"", 0.0f, 0.75f, 0.0f, 8},     // tie between 8 and 18: the lower index
      {"", 0.0f, 0.25f, 0.0f, 18},    // tie between 18 and 20
      {"", -1.0f, -1.0f, -1.0f, -2},  // 3.0 from the nearest colour
      {"PDB_DEFAULT", 1.0f, 0.0f, 0.0f, 7},
      {"2", 0.0f, 0.0f, 1.0f, 9},
      {"Steel", 0.5f, 0.5f, 0.5f, 5},
      {"RED ", 0.0f, 1.0f, 0.0f, 8},  // not a whole key
  };
  for (const Case& c : cases) {
    auto m = Material(c.name, c.r, c.g, c.b);
    EXPECT_EQ(xPdbUtil::GetDenebIndex(m.get()), c.expected) << '"' << c.name << "\" " << c.r << ' ' << c.g;
  }
}

TEST_F(DenebColourTest, EveryTableColourMapsBackToItsIndex) {
  for (int index = 4; index <= 35; ++index) {
    xVector base;
    xPdbUtil::SetBaseColor(index, base);
    auto m = Material("", static_cast<float>(base.x), static_cast<float>(base.y), static_cast<float>(base.z));
    EXPECT_EQ(xPdbUtil::GetDenebIndex(m.get()), index);
    std::unique_ptr<xMaterial> made(xPdbUtil::NewMaterial(index));
    EXPECT_EQ(xPdbUtil::GetDenebIndex(made.get()), index);
  }
}

TEST_F(DenebColourTest, DistanceIsL1OverRgb) {
  const float rgb[3] = {0.5f, 0.25f, 1.0f};
  xVector v(1.0, 0.0, 0.0, 42.0);
  EXPECT_DOUBLE_EQ(xPdbUtil::VectDist(rgb, v), 0.5 + 0.25 + 1.0);
  EXPECT_DOUBLE_EQ(xPdbUtil::DistFromDenebColor(rgb, 7), 1.75);
  EXPECT_DOUBLE_EQ(xPdbUtil::DistFromDenebColor(rgb, 99), 0.4 + 0.65 + 0.1);
}

TEST_F(DenebColourTest, NewMaterialScalesBaseColour) {
  std::unique_ptr<xMaterial> white(xPdbUtil::NewMaterial(4));
  EXPECT_STREQ(white->GetName().c_str(), "WHITE");
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(white->GetSpecular()[i], 1.0f);
    EXPECT_FLOAT_EQ(white->GetDiffuse()[i], 0.67f);
    EXPECT_FLOAT_EQ(white->GetAmbient()[i], 0.33f);
    EXPECT_FLOAT_EQ(white->GetEmissive()[i], 0.01f);
  }
  EXPECT_FLOAT_EQ(white->GetShininess(), 0.1f);

  std::unique_ptr<xMaterial> other(xPdbUtil::NewMaterial(99));
  EXPECT_STREQ(other->GetName().c_str(), "PDB_DEFAULT");
  EXPECT_FLOAT_EQ(other->GetSpecular()[0], 0.1f);
  EXPECT_FLOAT_EQ(other->GetSpecular()[1], 0.9f);
  EXPECT_FLOAT_EQ(other->GetSpecular()[2], 0.9f);
  EXPECT_FLOAT_EQ(other->GetSpecular()[3], 1.0f);
  EXPECT_FLOAT_EQ(other->GetDiffuse()[1], static_cast<float>(0.67 * 0.9));
}

}  // namespace
