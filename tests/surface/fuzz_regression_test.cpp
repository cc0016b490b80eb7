// Inputs the fuzzers found to drive GLU away, read as a host would read them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "common/parttest.h"
#include "host/xenvironment.h"
#include "host/xmessage.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"

namespace {

using namespace parttest;

std::string Data(const std::string& name) {
  std::ifstream file(std::string(XPDB_SOURCE_DIR) + "/tests/data/fuzz/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int Triangles(Part& part) {
  int triangles = 0;
  for (int i = 0; i < part.count(); ++i)
    if (auto* mesh = part.set<xTriMesh>(i)) triangles += mesh->GetTriangleCount();
  return triangles;
}

// Reads the whole part; a failed read may throw, as it does to the host.
template <class Version>
int ReadPart(const std::string& text, Part& part) {
  Text in(text);
  try {
    return Version().Read(in.get(), part.get());
  } catch (const xMessage&) {
    return -1;
  }
}

// Each file once made GLU sample a trimming loop far outside the surface's
// domain (gigabytes, or seconds); the surface is refused and the read goes on.
TEST(FuzzRegression, SurfacesGluWouldRunAwayOnAreRefused) {
  struct Case {
    const char* file;
    int (*read)(const std::string&, Part&);
  };
  const Case cases[] = {{"v11_trim_far_outside_domain.pdb", &ReadPart<xPdb11>},
                        {"v12_weight_ratio_trims_outside_domain.pdb", &ReadPart<xPdb12>},
                        {"v14_trim_far_outside_domain.pdb", &ReadPart<xPdb14>}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string text = Data(c.file);
    ASSERT_FALSE(text.empty());
    Part part;
    c.read(text, part);
    EXPECT_GE(xGlobalAssertCount(), 1);
    EXPECT_LT(Triangles(part), 100000);
  }
  Part part;
  ReadPart<xPdb09>(Data("v09_false_timeout.pdb"), part);
  EXPECT_EQ(part.count(), 0);
}

std::string FlatPatchWith(const std::string& loops) {
  return "1\n0 1 0 1\n1 1 1 1\n0 0\n0 0 1 1 0 0 1 1\n1 0 0 0\n1 0 10 0\n1 10 0 0\n1 10 10 0\n0.5\n" + loops +
         "\n7\n";
}

// Trimming points may stray outside the domain by its own size, no further.
TEST(FuzzRegression, TrimmingLoopsFarOutsideTheDomainAreRefused) {
  const std::string hole = "\n1\n3\n0.2 0.2\n0.2 0.8\n";
  const std::pair<std::string, bool> cases[] = {{"4\n0 0\n1 0\n1 1\n0 1\n0", true},
                                                {"4\n-0.9 -0.9\n1.9 -0.9\n1.9 1.9\n-0.9 1.9\n0", true},
                                                {"4\n0 0\n1 0\n1 1\n0 1" + hole + "0.5 2.1", false},
                                                {"4\n0 0\n1 0\n1 1\n0 1" + hole + "-1.5 0.5", false},
                                                {"4\n0 0\n1 0\n1 1e6\n0 1\n0", false}};
  for (const auto& [loops, kept] : cases) {
    Part part;
    Text in(FlatPatchWith(loops) + " next");
    EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), 11, part.get())) << loops;
    EXPECT_EQ(in.NextWord(), "next");
    EXPECT_EQ(part.count(), kept ? 1 : 0) << loops;
    EXPECT_EQ(xGlobalAssertCount(), kept ? 0 : 1) << loops;
  }
}

// The trimming estimate stays loose enough for a surface with many holes
// inside its domain, even at the finest sampling.
}  // namespace
