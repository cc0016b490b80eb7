#include <gtest/gtest.h>

#include "host/xmaterial.h"

namespace {

TEST(MatReader, FindsLibraryMaterialsByExactName) {
  xMatReader::ClearLibrary();
  auto* red = new xMaterial;
  red->SetName("RED");
  xMatReader::AddMaterial(red);
  EXPECT_EQ(xMatReader::FindMaterial("RED", false), red);
  EXPECT_EQ(xMatReader::FindMaterial("red", false), nullptr);
  EXPECT_EQ(xMatReader::FindMaterial("GREEN", false), nullptr);

  auto* replacement = new xMaterial;
  replacement->SetName("RED");
  xMatReader::AddMaterial(replacement);
  EXPECT_EQ(xMatReader::GetLibrarySize(), 1);
  EXPECT_EQ(xMatReader::FindMaterial("RED", false), replacement);
  xMatReader::ClearLibrary();
  EXPECT_EQ(xMatReader::FindMaterial("RED", false), nullptr);
}

TEST(MatReader, ClosestSystemMaterialByColour) {
  const xMaterial* red = xMatReader::GetClosestSimpleSystemMaterial(0.9f, 0.1f, 0.05f);
  ASSERT_NE(red, nullptr);
  EXPECT_FLOAT_EQ(red->GetDiffuse()[0], 1.0f);
  EXPECT_FLOAT_EQ(red->GetDiffuse()[1], 0.0f);
  const xMaterial* black = xMatReader::GetClosestSimpleSystemMaterial(0.05f, 0.05f, 0.05f);
  ASSERT_NE(black, nullptr);
  EXPECT_FLOAT_EQ(black->GetDiffuse()[2], 0.0f);
  EXPECT_NE(red, black);
  EXPECT_EQ(xMatReader::GetClosestSimpleSystemMaterial(1.0f, 0.0f, 0.0f), red);
}

}  // namespace
