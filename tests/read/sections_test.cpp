#include <gtest/gtest.h>

#include "common/parttest.h"
#include "host/xframeset.h"

namespace {

using namespace parttest;

// The section reader of that name, with its version or its count of extra lines.
bool Skip(const std::string& section, int argument, xStream* in) {
  if (section == "coorsyses") return xPdbUtil::SkipCoorsyses(in, argument);
  if (section == "curves") return xPdbUtil::SkipCurves(in, argument);
  if (section == "lines") return xPdbUtil::SkipLines(in);
  if (section == "texts") return xPdbUtil::SkipTexts(in, argument);
  return xPdbUtil::SkipTextures(in);
}

const std::string kFrame = "1 0 0  0 1 0  0 0 1  10 20 30\n";
// Curves of degree 3 and one segment: r1 r2 d s, an integer (version 12: three reals), 2d+s+1 knots, d+s
// points of four reals, an integer.
const std::string kCurve9 = "0 1 3 1 0\n0 0 0 0 1 1 1 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n7\n",
                  kCurve12 = "0 1 3 1 1.5 2.5 3.5\n0 0 0 0 1 1 1 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n7\n";

TEST(SkippedSections, EndWhereTheNextItemStartsOrFail) {
  const struct {
    std::string section;
    int argument;
    std::string text;
    bool ok;
    std::string next;  // "<failed>" after a failure
  } cases[] = {{"coorsyses", 9, "-4 77", true, "77"},
               {"coorsyses", 9, "2\n" + kFrame + kFrame + "NEXT", true, "NEXT"},
               {"coorsyses", 14, "2\n" + kFrame + "0 base\n" + kFrame + "2 tool a b\nNEXT", true, "NEXT"},
               {"coorsyses", 9, "1000000000\n1 0 0 0 1 0", false, "<failed>"},
               {"curves", 9, "2\n" + kCurve9 + kCurve9 + "NEXT", true, "NEXT"},
               {"curves", 12, "2\n" + kCurve12 + kCurve12 + "NEXT", true, "NEXT"},
               {"curves", 9, "1\n" + kCurve12 + "NEXT", true,
                "3"},  // a version-12 curve read as version 9 leaves numbers behind
               {"curves", 9, "1\n0 1 -3 1 0\n7 NEXT", true, "NEXT"},  // negative knot and point counts
               {"curves", 9, "2147483647\n" + kCurve9, false, "<failed>"},
               {"curves", 9, "1\n0 1 2000000000 2000000000 0 1 2 3", false, "<failed>"},
               {"lines", 0, "2  1 2  3 4 NEXT", true, "NEXT"},
               {"lines", 0, "40000001 1 2", false, "1"},  // only the count was read
               {"lines", 0, "-1", false, ""},
               {"lines", 0, "40000000 1 2 3", false, "<failed>"},
               {"texts", 0, "2\nline 1\nline 2\n\nline 4\nline 5\na\nb\nc\nd\ne\nNEXT", true, "NEXT"},
               {"texts", 2, "1 rest of the count line\n1\n2\n3\n4\n5\n6\n7\nNEXT", true, "NEXT"},
               {"texts", 0, "0 rest of the line\nNEXT", true, "NEXT"},
               {"texts", 0, "100000\n" + std::string(500000, '\n') + "NEXT", true, "NEXT"},
               {"texts", 0, "100001\n" + std::string(500005, '\n'), false, ""},
               {"texts", 0, "-1\n", false, ""},
               {"texts", 0, "1\n" + std::string(79, 'x') + "\n2\n3\n4\n5\nNEXT", true, "NEXT"},
               {"texts", 0, "1\n" + std::string(80, 'x') + "\n2\n3\n4\n5\n", false, "<failed>"},
               {"texts", 0, "0", true, ""},  // a file may end right after the count
               {"texts", 0, "0   ", true, ""},
               {"texts", 0, "1\na\nb\nc\nd\ne\n", true, ""},
               {"texts", 0, "1\na\nb\nc\nd\ne", false, ""},  // but not inside a line: it may be cut
               {"texts", 0, "1\na\nb\nc\nd\n", false, "<failed>"},
               {"texts", 0, "1", false, "<failed>"},
               {"texts", 0, "", false, "<failed>"},
               {"textures", 0, "3\nwood.png 1 1\n\nsteel.png 0.5 0.5\nNEXT", true, "NEXT"},
               {"textures", 0, "100001\n", false, ""},
               {"textures", 0, "2\nonly.png\n", false, "<failed>"},
               {"textures", 0, "0", true, ""},
               {"textures", 0, "1\nonly.png 1 1", false, ""}};
  for (const auto& c : cases) {
    Text in(c.text);
    EXPECT_EQ(Skip(c.section, c.argument, in.get()), c.ok) << c.section << ": " << c.text.substr(0, 40);
    EXPECT_EQ(in.NextWord(), c.next) << c.section << ": " << c.text.substr(0, 40);
  }
  for (const char* section : {"coorsyses", "curves", "lines", "texts", "textures"})
    EXPECT_FALSE(Skip(section, 9, nullptr)) << section;
}

TEST(Coorsyses, ReadBuildsAFrameSetOnTheFrameLayerAndKeepsItOnFailure) {
  xLayer* layer = xLayerControl::AddLayer("FrameFeatures");
  Part part;
  Text none("-4"), in("2\n1 0 0 0 1 0 0 0 1 10 20 30\n0 1 0 -1 0 0 0 0 1 4 5 6\n0 main\n"),
      cut("1000000000\n1 0 0");
  EXPECT_TRUE(xPdbUtil::ReadCoorsyses(none.get(), part.get(), 9));
  EXPECT_TRUE(xPdbUtil::ReadCoorsyses(in.get(), part.get(), 9));
  EXPECT_EQ(in.NextWord(), "0");  // a string after twelve reals is not the record's
  EXPECT_FALSE(xPdbUtil::ReadCoorsyses(cut.get(), part.get(), 12));
  ASSERT_EQ(part.count(), 2);
  EXPECT_EQ(part.set<xFrameSet>(0)->GetLayer(), layer);
  ASSERT_EQ(part.set<xFrameSet>(0)->GetFrameCount(), 2);
  EXPECT_EQ(part.set<xFrameSet>(1)->GetFrameCount(), 1);
  const xMatrix& m = part.set<xFrameSet>(0)->GetFrame(1)->GetMatrix();  // N, O, A and the origin in columns
  EXPECT_EQ(std::vector<double>({m.At(1, 0), m.At(0, 1), m.At(2, 2), m.At(0, 3), m.At(2, 3)}),
            std::vector<double>({1, -1, 1, 4, 6}));
}

}  // namespace
