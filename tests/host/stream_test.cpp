#include <gtest/gtest.h>

#include <locale>
#include <sstream>

#include "host/xstream.h"

namespace {

struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

class StreamFixture : public ::testing::Test {
 protected:
  xStream& Open(const std::string& text) {
    buffer.str(text);
    stream = std::make_unique<xStream>(&buffer);
    return *stream;
  }
  std::stringbuf buffer;
  std::unique_ptr<xStream> stream;
};

TEST_F(StreamFixture, ReadsIntegersAndRealsAcrossAnyWhiteSpace) {
  xStream& s = Open(" 12\t-7\n\r\n+3 0.5 -1.25e+02 3. .5 1E3 42");
  int a = 0, b = 0, c = 0, last = 0;
  double d = 0, e = 0, f = 0, g = 0, h = 0;
  s >> a >> b >> c >> d >> e >> f >> g >> h >> last;
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, -7);
  EXPECT_EQ(c, 3);
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_DOUBLE_EQ(e, -125.0);
  EXPECT_DOUBLE_EQ(f, 3.0);
  EXPECT_DOUBLE_EQ(g, 0.5);
  EXPECT_DOUBLE_EQ(h, 1000.0);
  EXPECT_EQ(last, 42);
  EXPECT_FALSE(s.fail());
  EXPECT_TRUE(s.eof());  // the last number ended at the end of the text
}

TEST_F(StreamFixture, FailedExtractionYieldsZeroAndStaysFailed) {
  xStream& s = Open("5 abc 7 8");
  int a = 0, b = 99, c = 99;
  s >> a >> b;
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 0);
  EXPECT_TRUE(s.fail());
  s >> c;
  EXPECT_EQ(c, 0);
  double d = 9.0;
  s >> d;
  EXPECT_EQ(d, 0.0);
}

TEST_F(StreamFixture, MalformedOrOverflowingNumbersFail) {
  for (const char* text : {"-", "+", "+-1", "2147483648", "-2147483649", "x1"}) {
    int value = 5;
    Open(text) >> value;
    EXPECT_EQ(value, 0) << text;
    EXPECT_TRUE(stream->fail()) << text;
  }
  for (const char* text : {"1e", "1e+", ".", "e5", "1e999", "-"}) {
    double value = 5.0;
    Open(text) >> value;
    EXPECT_EQ(value, 0.0) << text;
    EXPECT_TRUE(stream->fail()) << text;
  }
}

TEST_F(StreamFixture, EndOfTextAfterWhiteSpaceFails) {
  xStream& s = Open("1 \n");
  int a = 0, b = 4;
  s >> a >> b;
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
  EXPECT_TRUE(s.fail());
  EXPECT_TRUE(s.eof());
}

TEST_F(StreamFixture, ParsingIgnoresTheGlobalLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  xStream& s = Open("1.5 2,5");
  double a = 0, b = 0;
  s >> a >> b;
  std::locale::global(previous);
  EXPECT_DOUBLE_EQ(a, 1.5);
  EXPECT_DOUBLE_EQ(b, 2.0);  // the comma ends the number
}

TEST_F(StreamFixture, StringExtractionReadsOneWord) {
  xStream& s = Open("  DENEB_PART_FILE next\nline 7");
  xTString<char> word;
  int n = 0;
  s >> word;
  EXPECT_STREQ(word.c_str(), "DENEB_PART_FILE");
  s >> word;
  EXPECT_STREQ(word.c_str(), "next");
  s >> word >> n;
  EXPECT_STREQ(word.c_str(), "line");
  EXPECT_EQ(n, 7);
  s >> word;
  EXPECT_TRUE(word.IsEmpty());
  EXPECT_TRUE(s.fail());
}

TEST_F(StreamFixture, WritesStringsAndDebugNotes) {
  std::stringbuf out;
  xStream s(&out);
  s << xTString<char>::Format("%d %g\n", -3, 0.5) << 12 << " end";
  EXPECT_EQ(out.str(), "-3 0.5\n12 end");
  xMessageContext::AddDebug(&s, "PDB 9 format");
  ASSERT_EQ(s.GetMessageContext().Notes().size(), 1u);
  EXPECT_EQ(s.GetMessageContext().Notes()[0], "PDB 9 format");
}

}  // namespace
