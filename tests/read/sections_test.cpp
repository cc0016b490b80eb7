#include <gtest/gtest.h>

#include <string>

#include "host/xframeset.h"
#include "pdb/xpdbutil.h"
#include "readtest.h"

namespace {

using readtest::Part;
using readtest::Text;

std::string Repeat(const std::string& item, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += item;
  return out;
}

const char* kFrame = "1 0 0  0 1 0  0 0 1  10 20 30\n";

TEST(Coorsyses, NullStreamFails) {
  Part part;
  EXPECT_FALSE(xPdbUtil::SkipCoorsyses(nullptr, 9));
  EXPECT_FALSE(xPdbUtil::ReadCoorsyses(nullptr, part.get(), 9));
  EXPECT_EQ(part.count(), 0);
}

TEST(Coorsyses, ZeroOrNegativeCountReadsNothingMore) {
  for (const char* count : {"0", "-4"}) {
    Text skip(std::string(count) + " 77");
    EXPECT_TRUE(xPdbUtil::SkipCoorsyses(skip.get(), 9));
    EXPECT_EQ(skip.NextWord(), "77");
    Text read(std::string(count) + " 77");
    Part part;
    EXPECT_TRUE(xPdbUtil::ReadCoorsyses(read.get(), part.get(), 9));
    EXPECT_EQ(part.count(), 0);
    EXPECT_EQ(read.NextWord(), "77");
  }
}

TEST(Coorsyses, RecordIsTwelveRealsBeforeVersion14) {
  for (int version : {8, 9, 10, 11, 12}) {
    Text text("2\n" + Repeat(kFrame, 2) + "TAIL");
    EXPECT_TRUE(xPdbUtil::SkipCoorsyses(text.get(), version));
    EXPECT_EQ(text.NextWord(), "TAIL") << version;
  }
}

TEST(Coorsyses, Version14RecordHasStringTail) {
  Text text(std::string("2\n") + kFrame + "0 base\n" + kFrame + "2 tool a b\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipCoorsyses(text.get(), 14));
  EXPECT_EQ(text.NextWord(), "NEXT");
}

TEST(Coorsyses, ReadBuildsOneFramePerRecordOnFrameLayer) {
  xLayer* layer = xLayerControl::AddLayer("FrameFeatures");
  Text text("2\n1 0 0 0 1 0 0 0 1 10 20 30\n0 1 0 -1 0 0 0 0 1 4 5 6\n0 main\n");
  Part part;
  ASSERT_TRUE(xPdbUtil::ReadCoorsyses(text.get(), part.get(), 9));
  ASSERT_EQ(part.count(), 1);
  auto* frames = part.set<xFrameSet>(0);
  ASSERT_NE(frames, nullptr);
  EXPECT_EQ(frames->GetLayer(), layer);
  ASSERT_EQ(frames->GetFrameCount(), 2);
  const xMatrix& second = frames->GetFrame(1)->GetMatrix();
  EXPECT_DOUBLE_EQ(second.At(1, 0), 1.0);   // N
  EXPECT_DOUBLE_EQ(second.At(0, 1), -1.0);  // O
  EXPECT_DOUBLE_EQ(second.At(2, 2), 1.0);   // A
  EXPECT_DOUBLE_EQ(second.At(0, 3), 4.0);
  EXPECT_DOUBLE_EQ(second.At(2, 3), 6.0);
  EXPECT_EQ(text.NextWord(), "0");  // a string after twelve reals is not the record's
}

TEST(Coorsyses, TruncatedSectionFails) {
  Text skip("3\n1 0 0 0 1 0");
  EXPECT_FALSE(xPdbUtil::SkipCoorsyses(skip.get(), 9));
  Text read("1000000000\n1 0 0 0 1 0");
  Part part;
  EXPECT_FALSE(xPdbUtil::ReadCoorsyses(read.get(), part.get(), 12));
  ASSERT_EQ(part.count(), 1);  // the frames read so far stay
  EXPECT_EQ(part.set<xFrameSet>(0)->GetFrameCount(), 1);
}

TEST(Coorsyses, ReadIntoMissingContainerThrows) {
  Text text(std::string("1\n") + kFrame);
  Part part;
  part.DropContainer();
  EXPECT_ANY_THROW(xPdbUtil::ReadCoorsyses(text.get(), part.get(), 9));
}

// r1 r2 d s, then the version's field 5, 2d+s+1 knots, d+s points of 4 reals, t.
std::string Curve(int d, int s, bool threeReals) {
  std::string out =
      "0.0 1.0 " + std::to_string(d) + " " + std::to_string(s) + (threeReals ? " 1.5 2.5 3.5" : " 0");
  out += "\n" + Repeat(" 0.25", 2 * d + s + 1) + "\n" + Repeat(" 1 2 3 1\n", d + s) + " 7\n";
  return out;
}

TEST(Curves, CountZeroReadsOneInteger) {
  Text text("0 NEXT");
  EXPECT_TRUE(xPdbUtil::SkipCurves(text.get(), 9));
  EXPECT_EQ(text.NextWord(), "NEXT");
}

TEST(Curves, FieldFiveDependsOnVersion) {
  for (int version : {9, 10, 11, 12, 14}) {
    Text text("2\n" + Repeat(Curve(3, 1, version >= 12), 2) + "NEXT");
    EXPECT_TRUE(xPdbUtil::SkipCurves(text.get(), version)) << version;
    EXPECT_EQ(text.NextWord(), "NEXT") << version;
  }
  // Read as version 9, a version-12 curve leaves two numbers behind.
  Text wrong("1\n" + Curve(3, 1, true) + "NEXT");
  EXPECT_TRUE(xPdbUtil::SkipCurves(wrong.get(), 9));
  EXPECT_NE(wrong.NextWord(), "NEXT");
}

TEST(Curves, NegativeDerivedCountsReadNothing) {
  Text text("1\n0 1 -3 1 0\n7 NEXT");  // 2d+s+1 = -4 knots, d+s = -2 points
  EXPECT_TRUE(xPdbUtil::SkipCurves(text.get(), 9));
  EXPECT_EQ(text.NextWord(), "NEXT");
}

TEST(Curves, TruncatedOrHugeCountFails) {
  Text text("2147483647\n" + Curve(2, 1, false));
  EXPECT_FALSE(xPdbUtil::SkipCurves(text.get(), 9));
  Text degree("1\n0 1 2000000000 2000000000 0 1 2 3");
  EXPECT_FALSE(xPdbUtil::SkipCurves(degree.get(), 9));
  EXPECT_FALSE(xPdbUtil::SkipCurves(nullptr, 9));
}

TEST(Lines, CountRangeAndPairs) {
  Text two("2  1 2  3 4 NEXT");
  EXPECT_TRUE(xPdbUtil::SkipLines(two.get()));
  EXPECT_EQ(two.NextWord(), "NEXT");
  Text over("40000001 1 2");
  EXPECT_FALSE(xPdbUtil::SkipLines(over.get()));
  EXPECT_EQ(over.NextWord(), "1");  // only the count was read
  Text negative("-1");
  EXPECT_FALSE(xPdbUtil::SkipLines(negative.get()));
  Text most("40000000 1 2 3");  // in range, but truncated
  EXPECT_FALSE(xPdbUtil::SkipLines(most.get()));
  EXPECT_FALSE(xPdbUtil::SkipLines(nullptr));
}

TEST(Texts, EveryTextIsFiveLinesAfterTheCountLine) {
  Text text("2\nline 1\nline 2\n\nline 4\nline 5\na\nb\nc\nd\ne\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipTexts(text.get(), 0));
  EXPECT_EQ(text.NextWord(), "NEXT");
  Text extra("1 trailing words on the count line\n1\n2\n3\n4\n5\n6\n7\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipTexts(extra.get(), 2));
  EXPECT_EQ(extra.NextWord(), "NEXT");
}

TEST(Texts, ZeroCountStillTakesRestOfLine) {
  Text text("0 rest of the line\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipTexts(text.get(), 0));
  EXPECT_EQ(text.NextWord(), "NEXT");
}

TEST(Texts, CountRange) {
  Text most("100000\n" + Repeat("t\n", 500000));
  EXPECT_TRUE(xPdbUtil::SkipTexts(most.get(), 0));
  Text over("100001\n" + Repeat("t\n", 500005));
  EXPECT_FALSE(xPdbUtil::SkipTexts(over.get(), 0));
  Text negative("-1\n");
  EXPECT_FALSE(xPdbUtil::SkipTexts(negative.get(), 0));
  EXPECT_FALSE(xPdbUtil::SkipTexts(nullptr, 0));
}

TEST(Texts, LineOfMoreThan79CharactersFails) {
  Text fits("1\n" + std::string(79, 'x') + "\n2\n3\n4\n5\n");
  EXPECT_TRUE(xPdbUtil::SkipTexts(fits.get(), 0));
  Text longer("1\n" + std::string(80, 'x') + "\n2\n3\n4\n5\n");
  EXPECT_FALSE(xPdbUtil::SkipTexts(longer.get(), 0));
}

TEST(Texts, CountAtEndOfFileWithoutLineBreak) {
  Text bare("0");
  EXPECT_TRUE(xPdbUtil::SkipTexts(bare.get(), 0));
  Text spaced("0   ");
  EXPECT_TRUE(xPdbUtil::SkipTexts(spaced.get(), 0));
  Text lastLineBare("1\na\nb\nc\nd\ne");
  EXPECT_TRUE(xPdbUtil::SkipTexts(lastLineBare.get(), 0));
}

TEST(Texts, MissingLineFails) {
  Text text("1\na\nb\nc\nd\n");
  EXPECT_FALSE(xPdbUtil::SkipTexts(text.get(), 0));
  Text bare("1");
  EXPECT_FALSE(xPdbUtil::SkipTexts(bare.get(), 0));
  Text missing("");
  EXPECT_FALSE(xPdbUtil::SkipTexts(missing.get(), 0));
}

TEST(Textures, OneLinePerTexture) {
  Text text("3\nwood.png 1 1\n\nsteel.png 0.5 0.5\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipTextures(text.get()));
  EXPECT_EQ(text.NextWord(), "NEXT");
  Text over("100001\n");
  EXPECT_FALSE(xPdbUtil::SkipTextures(over.get()));
  Text truncated("2\nonly.png\n");
  EXPECT_FALSE(xPdbUtil::SkipTextures(truncated.get()));
  Text bare("0");
  EXPECT_TRUE(xPdbUtil::SkipTextures(bare.get()));
  EXPECT_FALSE(xPdbUtil::SkipTextures(nullptr));
}

}  // namespace
