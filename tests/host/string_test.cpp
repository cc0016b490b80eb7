#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/xstring.h"

namespace {

using Str = xTString<char>;

TEST(StringKeyIndex, IsTheOneBasedPositionOfAWholeKey) {
  const char* list = "1,2,3,WHITE,GREY,RED,PDB_COLOR17";
  EXPECT_EQ(Str("1").KeyIndex(list, ','), 1);
  EXPECT_EQ(Str("WHITE").KeyIndex(list, ','), 4);
  EXPECT_EQ(Str("RED").KeyIndex(list, ','), 6);
  EXPECT_EQ(Str("PDB_COLOR17").KeyIndex(list, ','), 7);
  EXPECT_EQ(Str("RE").KeyIndex(list, ','), 0);   // no prefix matches
  EXPECT_EQ(Str("red").KeyIndex(list, ','), 0);  // case counts
  EXPECT_EQ(Str("PDB_COLOR1").KeyIndex(list, ','), 0);
  EXPECT_EQ(Str("").KeyIndex(list, ','), 0);
  EXPECT_EQ(Str("X").KeyIndex(nullptr, ','), 0);
}

TEST(StringFormat, RealsMatchTheCLibrary) {
  const double values[] = {0.5,     1234.5678, 100000.0, 0.0001,     1234567.0, 0.00001, -0.0,    1e300,
                           -2.5e-7, 123456.5,  999999.5, 3.14159265, 1.0 / 3.0, 1e-320,  65536.0, -17.0};
  for (double v : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%g %g %g\n", v, -v, v * 7);
    EXPECT_STREQ(Str::Format("%g %g %g\n", v, -v, v * 7).c_str(), expected) << v;
  }
  EXPECT_STREQ(Str::Format("%g", 1234.5678).c_str(), "1234.57");
  EXPECT_STREQ(Str::Format("%g", 1234567.0).c_str(), "1.23457e+06");
  EXPECT_STREQ(Str::Format("%g", 0.00001).c_str(), "1e-05");
}

TEST(StringFormat, RealsMatchTheCLibraryAtEveryMagnitudeAndRoundingEdge) {
  std::vector<double> values = {std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::max(),
                                9.999995e-05,
                                9.9999949e-05,
                                0.000099999,
                                999999.4999,
                                999999.5,
                                1e-5,
                                123456.5};
  for (int e = -310; e <= 308; ++e) values.push_back(std::pow(10.0, e));
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random));
    values.push_back(v);
    values.push_back(static_cast<float>(v));                      // as the writer widens points
    values.push_back(std::round(v * 1e6) / 1e6 + 0.5 * (i % 2));  // halves in the last places
  }
  for (double v : values)
    for (double signed_ : {v, -v}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%g", signed_);
      ASSERT_STREQ(Str::Format("%g", signed_).c_str(), expected);
    }
}

TEST(StringFormat, AppendFormatAddsToWhatIsThere) {
  Str text("3 ");
  text.AppendFormat("%d %d ", -1, 2).AppendFormat("%g\n", 0.25);
  EXPECT_STREQ(text.c_str(), "3 -1 2 0.25\n");
}

TEST(StringFormat, IntegersAndOtherConversions) {
  EXPECT_STREQ(Str::Format("3 %d %d %d\n", 0, -12, 2147483647).c_str(), "3 0 -12 2147483647\n");
  EXPECT_STREQ(Str::Format("%d ", -2).c_str(), "-2 ");
  EXPECT_STREQ(Str::Format("100%% %s|%5.2f", "done", 2.0).c_str(), "100% done| 2.00");
  EXPECT_STREQ(Str::Format("no conversions").c_str(), "no conversions");
}

}  // namespace
