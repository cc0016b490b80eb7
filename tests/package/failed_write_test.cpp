// What GRWrite answers when the text does not reach its destination.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/modules.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"
#include "package/qxm.h"

namespace {

using moduletest::kCanWrite;
using moduletest::kWrite;

constexpr int kFailed = -1;

// Takes `limit` characters and fails from then on, like a disk that fills
// up; records the size of every piece that it was handed.
class LimitedBuffer : public std::streambuf {
 public:
  explicit LimitedBuffer(std::size_t limit = std::string::npos) : m_limit(limit) {}
  const std::string& Taken() const { return m_taken; }
  const std::vector<std::size_t>& Pieces() const { return m_pieces; }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    m_pieces.push_back(static_cast<std::size_t>(n));
    const std::size_t taken = std::min(static_cast<std::size_t>(n), m_limit - m_taken.size());
    m_taken.append(text, taken);
    return static_cast<std::streamsize>(taken);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char one = traits_type::to_char_type(c);
    return xsputn(&one, 1) == 1 ? c : traits_type::eof();
  }

 private:
  std::size_t m_limit;
  std::string m_taken;
  std::vector<std::size_t> m_pieces;
};

// Polygon meshes, which every version writes, of `points` points each:
// several pieces of text for the larger ones.
void AddGrid(xGeometry& geometry, int points) {
  auto* mesh = new xPolyMesh;
  std::vector<xPolyPoint*> table;
  for (int i = 0; i < points; ++i) table.push_back(mesh->AddPoint(i * 0.731, i % 17 * 1.3, -i * 0.0117, i));
  for (int i = 0; i + 2 < points; i += 2) {
    xPolygon* polygon = mesh->NewPolygon();
    for (int c = 0; c < 3; ++c) polygon->AddVertex(table[static_cast<std::size_t>(i + c)]);
  }
  geometry.GetContainer()->AddSet(mesh);
}

TEST(FailedWrites, EveryModuleReportsAStreamThatFailsAtAnyPieceOfTheText) {
  xGeometry geometry;
  for (const int points : {2500, 3, 900}) AddGrid(geometry, points);
  for (int module = 0; module < 6; ++module) {
    SCOPED_TRACE(module);
    LimitedBuffer whole;
    xStream stream(&whole);
    ASSERT_EQ(kWrite[module](&stream, &geometry), 0);
    const std::string text = whole.Taken();
    ASSERT_GT(whole.Pieces().size(), 3u);
    // Just before, at and after the end of every piece.
    std::vector<std::size_t> limits = {0};
    std::size_t end = 0;
    for (const std::size_t piece : whole.Pieces()) {
      end += piece;
      limits.insert(limits.end(), {end - 1, end, end + 1});
    }
    ASSERT_EQ(end, text.size());
    for (const std::size_t limit : limits) {
      LimitedBuffer failing(limit);
      xStream out(&failing);
      EXPECT_EQ(kWrite[module](&out, &geometry), limit < text.size() ? kFailed : 0) << limit;
      EXPECT_EQ(failing.Taken(), text.substr(0, limit)) << limit;
    }
  }
}

// /dev/full takes nothing: a text that fits into the file buffer fails only
// at the final flush, a longer one on the way.
TEST(FailedWrites, AFullDiskFailsAtTheFinalFlushOrOnTheWay) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const int points : {3, 5000}) {
    xGeometry geometry;
    AddGrid(geometry, points);
    for (int module = 0; module < 6; ++module) {
      std::filebuf file;
      ASSERT_NE(file.open("/dev/full", std::ios::out), nullptr);
      xStream stream(&file);
      EXPECT_EQ(kWrite[module](&stream, &geometry), kFailed) << module << " " << points;
    }
  }
}

TEST(FailedWrites, NullArgumentsAndFailedStreamsWriteNothing) {
  xGeometry geometry;
  AddGrid(geometry, 4);
  for (int module = 0; module < 6; ++module) {
    std::stringbuf text;
    xStream stream(&text);
    EXPECT_EQ(kWrite[module](nullptr, &geometry), kFailed) << module;
    EXPECT_EQ(kWrite[module](&stream, nullptr), kFailed) << module;
    EXPECT_EQ(kWrite[module](nullptr, nullptr), kFailed) << module;
    EXPECT_EQ(text.str(), "") << module;
    EXPECT_EQ(kCanWrite[module](nullptr), module == 0) << module;
    // A stream that an earlier read left failed.
    int number = 0;
    stream >> number;
    EXPECT_EQ(kWrite[module](&stream, &geometry), kFailed) << module;
    EXPECT_EQ(text.str(), "") << module;
  }
}

// An exception inside a write ends it with the result, not with the exception.
TEST(FailedWrites, NothingThrownInsideAWriteReachesTheHost) {
  xGeometry broken;
  AddGrid(broken, 4);
  broken.GetContainer().Reset();
  xGeometry emptyMesh;
  auto* mesh = new xTriMesh;
  emptyMesh.GetContainer()->AddSet(mesh);
  mesh->GetData().Reset();
  xGeometry large;
  AddGrid(large, 2000);
  for (int module = 0; module < 6; ++module) {
    std::stringbuf text;
    xStream stream(&text);
    EXPECT_EQ(kWrite[module](&stream, &broken), kFailed) << module;
    LimitedBuffer failing(100);
    xStream throwing(&failing);
    throwing.exceptions(std::ios::badbit);
    EXPECT_EQ(kWrite[module](&throwing, &large), kFailed) << module;
  }
  std::stringbuf text;
  xStream stream(&text);
  EXPECT_EQ(kWrite[0](&stream, &emptyMesh), kFailed);  // version 9 writes triangle meshes
  EXPECT_EQ(text.str(), "9\n0\n0\n0\n1\n-2\n");
}

}  // namespace
