#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"
#include "surfacetest.h"

namespace {

using surfacetest::MeshArea;
using surfacetest::Part;
using surfacetest::Text;

std::string Load(const std::string& name) {
  std::ifstream file(std::string(XPDB_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The area of a regular n-gon of radius r.
double NGon(int n, double r) { return n / 2.0 * r * r * std::sin(2 * std::numbers::pi / n); }

// The angle of the rational quadratic quarter circle at parameter t.
double QuarterAngle(double t) {
  const double w = std::sqrt(0.5);
  const double d = (1 - t) * (1 - t) + 2 * w * t * (1 - t) + t * t;
  return std::atan2((2 * w * t * (1 - t) + t * t) / d, ((1 - t) * (1 - t) + 2 * w * t * (1 - t)) / d);
}

class SurfaceExamples : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int index = 4; index <= 35; ++index) xMatReader::AddMaterial(xPdbUtil::NewMaterial(index));
  }
  void TearDown() override { xMatReader::ClearLibrary(); }

  template <class Version>
  int Read(const std::string& name) {
    const std::string content = Load(name);
    EXPECT_FALSE(content.empty()) << name;
    Text text(content);
    return Version().Read(text.get(), m_part.get());
  }

  void ExpectMesh(int i, double area, double relative, const char* material) {
    SCOPED_TRACE(i);
    auto* mesh = m_part.set<xTriMesh>(i);
    ASSERT_NE(mesh, nullptr);
    EXPECT_NEAR(MeshArea(*mesh), area, area * relative);
    ASSERT_NE(mesh->GetMaterial(), nullptr);
    EXPECT_STREQ(mesh->GetMaterial()->GetName(), material);
    EXPECT_EQ(mesh->GetMaterialMode(), 2);
  }

  surfacetest::ToleranceSetting m_tolerance{0.01};
  Part m_part;
};

TEST_F(SurfaceExamples, MountingPlateWithHolesAndGusset) {
  ASSERT_EQ(Read<xPdb11>("mounting_plate_surfaces_v11.pdb"), 0);
  ASSERT_EQ(m_part.count(), 3);
  // 120 x 80 less four 10 mm chamfers, four bolt holes and a 40 x 10 slot.
  ExpectMesh(0, 120 * 80 - 4 * 50 - 4 * NGon(24, 4.5) - 400, 1e-5, "LIGHT_BLUE");
  ExpectMesh(1, 800, 1e-5, "RED");
  ExpectMesh(2, 2 * (20 * 10 + 20 * 20 + 10 * 20), 1e-6, "GREY");
  EXPECT_EQ(xGlobalAssertCount(), 0);
}

TEST_F(SurfaceExamples, CylinderShellsFromRationalQuadratics) {
  ASSERT_EQ(Read<xPdb12>("cylinder_shells_surfaces_v12.pdb"), 0);
  ASSERT_EQ(m_part.count(), 3);
  ExpectMesh(0, std::numbers::pi * 30 * 120, 1e-4, "PDB_COLOR18");
  const double window = 10 * (QuarterAngle(0.75) - QuarterAngle(0.25)) * 60;
  ExpectMesh(1, std::numbers::pi / 2 * 10 * 120 - window, 1e-3, "YELLOW");
  const xTriMesh& half = *m_part.set<xTriMesh>(0);
  for (int i = 0; i < half.GetPointCount(); ++i) {
    EXPECT_NEAR(std::hypot(half.GetPoint(i).x, half.GetPoint(i).y), 30.0, 1e-3);
    EXPECT_GE(half.GetPoint(i).y, -1e-3);
  }
}

TEST_F(SurfaceExamples, CoverWithStoredTessellations) {
  const std::string content = Load("tessellated_cover_surfaces_v14.pdb");
  ASSERT_EQ(content.rfind("14 DENEB_PART_FILE\n", 0), 0u);
  ASSERT_EQ(Read<xPdb14>("tessellated_cover_surfaces_v14.pdb"), 0);
  ASSERT_EQ(m_part.count(), 5);
  ExpectMesh(0, 3600 - NGon(24, 15), 1e-5, "CYAN");
  ExpectMesh(1, 2 * 60 * 60 + 4 * 60 * 5, 1e-6, "GREY");
  ExpectMesh(2, NGon(6, 10), 1e-6, "BLUE");
  ExpectMesh(3, 6 * 10 * 20, 1e-6, "BLUE");
  EXPECT_EQ(m_part.set<xTriMesh>(2)->GetTriangleCount(), 4);
  EXPECT_EQ(m_part.set<xTriMesh>(3)->GetTriangleCount(), 12);
  auto* outline = m_part.set<xLineSet>(4);
  ASSERT_NE(outline, nullptr);
  ASSERT_EQ(outline->GetLines().GCount(), 2);
  EXPECT_EQ(outline->GetLines().GBegin()->GetPointCount(), 7);
  EXPECT_STREQ(outline->GetMaterial()->GetName(), "RED");
  EXPECT_EQ(xGeometryOptimizer::GetRecord().version, 14);
}

}  // namespace
