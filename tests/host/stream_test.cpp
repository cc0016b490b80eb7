#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale>
#include <random>
#include <sstream>
#include <vector>

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

TEST_F(StreamFixture, IntegersKeepTheirWholeRange) {
  xStream& s =
      Open("-2147483648 2147483647 -0 000000000000000000000000042 +0000000000000000000000002147483647");
  int a = 0, b = 0, c = 5, d = 0, e = 0;
  s >> a >> b >> c >> d >> e;
  EXPECT_EQ(a, -2147483647 - 1);
  EXPECT_EQ(b, 2147483647);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(d, 42);
  EXPECT_EQ(e, 2147483647);
  EXPECT_FALSE(s.fail());
}

// Past 19 digits the mantissa is converted from the whole text, sign included.
TEST_F(StreamFixture, LongNumbersAreConvertedFromTheirWholeText) {
  xStream& s = Open(
      "+123456789012345678901234.5e-3 -00000000000000000000000000002147483648 "
      "-0000000000000000000000002147483649");
  double d = 0;
  int a = 0, b = 5;
  s >> d >> a;
  EXPECT_EQ(d, 123456789012345678901.2345);
  EXPECT_EQ(a, -2147483647 - 1);
  EXPECT_FALSE(s.fail());
  s >> b;
  EXPECT_EQ(b, 0);
  EXPECT_TRUE(s.fail());
}

TEST_F(StreamFixture, ANumberLongerThan128CharactersFails) {
  const std::string fits = "0." + std::string(125, '0') + "1";  // 128 characters
  double value = 0;
  Open(fits + " " + fits + "0 7") >> value;
  EXPECT_EQ(value, 1e-126);
  *stream >> value;
  EXPECT_EQ(value, 0.0);
  EXPECT_TRUE(stream->fail());
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

// Hands its text out a few characters at a time, so that numbers straddle
// the end of the buffered text; with a size of 0 it keeps no buffer at all
// and every character goes through underflow and uflow.
class ChunkedBuffer : public std::streambuf {
 public:
  ChunkedBuffer(std::string text, std::size_t chunk) : m_text(std::move(text)), m_chunk(chunk) {}

 protected:
  int_type underflow() override {
    if (m_next >= m_text.size()) return traits_type::eof();
    if (m_chunk == 0) return traits_type::to_int_type(m_text[m_next]);
    char* first = m_text.data() + m_next;
    const std::size_t n = std::min(m_chunk, m_text.size() - m_next);
    setg(first, first, first + n);
    m_next += n;
    return traits_type::to_int_type(*first);
  }
  int_type uflow() override {
    if (m_chunk != 0) return std::streambuf::uflow();
    if (m_next >= m_text.size()) return traits_type::eof();
    return traits_type::to_int_type(m_text[m_next++]);
  }

 private:
  std::string m_text;
  std::size_t m_chunk;
  std::size_t m_next = 0;
};

struct Extracted {
  double value;
  bool fail, eof;
  bool operator==(const Extracted& o) const {
    return std::memcmp(&value, &o.value, sizeof value) == 0 && fail == o.fail && eof == o.eof;
  }
};

// Reads `kinds` ('i' int, 'd' double, 'w' word) from `text` and notes each
// value with the stream state after it.
std::vector<Extracted> ExtractAll(std::streambuf& buffer, const std::string& kinds) {
  xStream s(&buffer);
  std::vector<Extracted> out;
  for (const char kind : kinds) {
    double value = 0;
    if (kind == 'i') {
      int i = -1;
      s >> i;
      value = i;
    } else if (kind == 'd') {
      s >> value;
    } else {
      xTString<char> word;
      s >> word;
      value = static_cast<double>(word.Length());
      s.clear(s.rdstate() & std::ios::eofbit);
    }
    out.push_back({value, s.fail(), s.eof()});
  }
  return out;
}

TEST(StreamBuffering, NumbersReadTheSameWhereverTheBufferedTextEnds) {
  // Each case: the text, what to read; failures reset by the word reads.
  const std::pair<std::string, std::string> cases[] = {
      {" 12\t-7\n\r\n+3 0.5 -1.25e+02 3. .5 1E3 42 -0 1.23457e-05 -249.269 1e+06 9.99999e-05",
       "iiiddddddiddddd"},
      {"2147483647 -2147483648 2147483648 x -2147483649 y 0000000000000000000000000000042", "iiiwiwi"},
      {"1e x 1e+ y . z -. q +-1 w - 5", "dwdwdwdwiwiw"},
      {"1.5 2,5 7 1.7976931348623157e308 1e999 r 4.9406564584124654e-324 123456789012345678901234.5e-3",
       "ddwidwdd"},
      {"0.1 0.2 0.30000000000000004 1e22 1e23 9007199254740993 -0.000000000000000000000001", "ddddddd"},
      {"17 \n\t ", "ii"},
      {"+123456789012345678901234.5e-3 -0000000000000000000002147483649 w +00000000000000000000017 1e",
       "diwid"},
      {std::string(129, '7') + " 5 " + std::string(128, '1') + "e", "iwiwd"},
      {"3.25", "d"},
      {"12", "ii"},
  };
  for (const auto& [text, kinds] : cases) {
    std::stringbuf whole(text);
    const std::vector<Extracted> expected = ExtractAll(whole, kinds);
    for (std::size_t chunk : {0, 1, 2, 3, 5, 8, 13}) {
      ChunkedBuffer pieces(text, chunk);
      EXPECT_EQ(ExtractAll(pieces, kinds), expected) << text << " in pieces of " << chunk;
    }
  }
}

TEST(StreamReals, WhatTheWriterEmitsReadsBackCorrectlyRounded) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-37, 37);  // within float range
  std::string text;
  std::vector<double> expected;
  char number[64];
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random));
    const double narrowed = static_cast<float>(v);  // the writer widens single-precision points
    for (const char* format : {"%g", "%.17g", "%.9g", "%e"}) {
      const int n = std::snprintf(number, sizeof number, format, i % 2 ? v : narrowed);
      double reference = 0;
      std::from_chars(number, number + n, reference);
      expected.push_back(reference);
      text.append(number, static_cast<std::size_t>(n)).push_back(i % 3 ? ' ' : '\n');
    }
  }
  std::stringbuf buffer(text);
  xStream s(&buffer);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    double value = 0;
    s >> value;
    ASSERT_FALSE(s.fail()) << i;
    ASSERT_EQ(std::memcmp(&value, &expected[i], sizeof value), 0) << value << " " << expected[i];
  }
}

}  // namespace
