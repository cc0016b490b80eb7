#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/parttest.h"
#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xlineset.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"

namespace {

using namespace parttest;

using ReadFn = int (*)(xStream*, xGeometry**);

template <class Version>
int ReadWith(xStream* in, xGeometry** geometry) {
  return Version().Read(in, geometry);
}

ReadFn ReaderOf(int version) {
  switch (version) {
    case 8:
      return ReadWith<xPdb08>;
    case 9:
      return ReadWith<xPdb09>;
    case 10:
    case 1010:
      return ReadWith<xPdb10>;
    case 11:
      return ReadWith<xPdb11>;
    case 12:
      return ReadWith<xPdb12>;
    default:
      return ReadWith<xPdb14>;
  }
}

// The same text as a Windows program writes it.
std::string Crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void DumpPoint(std::ostream& out, const xFVector& p) { out << ' ' << p.x << ',' << p.y << ',' << p.z; }

// Everything a read leaves in the geometry, as text: the type, material and
// mode of each set and every point, triangle and frame in it.
std::string Dump(Part& part) {
  std::ostringstream out;
  out.precision(9);
  for (int i = 0; i < part.count(); ++i) {
    xGeoSet* set = part.set<xGeoSet>(i);
    out << "set " << set->GetType() << ' '
        << (set->GetMaterial() ? set->GetMaterial()->GetName().c_str() : "-") << ' ' << set->GetMaterialMode()
        << '\n';
    if (auto* mesh = dynamic_cast<xTriMesh*>(set)) {
      for (int p = 0; p < mesh->GetPointCount(); ++p) DumpPoint(out, mesh->GetPoint(p));
      for (int t = 0; t < mesh->GetTriangleCount(); ++t) {
        const auto& triangle = mesh->GetTriangle(t);
        out << " t" << triangle.a << ',' << triangle.b << ',' << triangle.c;
      }
    } else if (auto* lines = dynamic_cast<xCompactLineSet*>(set)) {
      for (int p = 0; p < lines->GetPointCount(); ++p) DumpPoint(out, lines->GetPoint(p));
      out << " polylines " << lines->GetPolyLineCount();
    } else if (auto* frames = dynamic_cast<xFrameSet*>(set)) {
      for (int f = 0; f < frames->GetFrameCount(); ++f)
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 4; ++c) out << ' ' << frames->GetFrame(f)->GetMatrix().At(r, c);
    } else if (auto* lineSet = dynamic_cast<xLineSet*>(set)) {
      out << " points " << lineSet->GetPoints().GCount() << " lines " << lineSet->GetLines().GCount();
    }
    out << '\n';
  }
  return out.str();
}

struct Outcome {
  int status;
  std::string sets;
};

Outcome Read(ReadFn read, const std::string& text) {
  Part part;
  Text in(text);
  const int status = read(in.get(), part.get());
  return {status, Dump(part)};
}

// A generated part with one object whose every line of free text (a text,
// a texture, the name, and the lines that a colour or a negative count
// brings) is as long as its line may be; `longer` makes the one of that
// number a character longer, -1 none. `lines` counts them.
std::string LimitPart(int version, int longer, int& lines) {
  lines = 0;
  auto line = [&](int limit, char fill) {
    return std::string(static_cast<std::size_t>(limit + (lines++ == longer)), fill);
  };
  // What follows a count on its line belongs to the line as well.
  auto rest = [&](const std::string& count, int limit) { return count + " " + line(limit - 1, '#'); };
  const int text = 79, wide = 255;
  const bool named = version == 12 || version == 14, signedCounts = version == 10 || version == 1010;
  std::string part = version == 14  ? "14 DENEB_PART_FILE\n2 UNITS\nmm inch\n0\n0\n0\n1\n"
                     : version == 8 ? "8\n0\n1\n"
                                    : std::to_string(version) + "\n0\n0\n0\n1\n";
  part += named ? rest("7", wide) + "\n" + line(wide, 'n') + "\n" : "7\n";
  if (signedCounts) part += rest("-1", wide) + "\n" + line(wide, 'p') + "\n";
  part += "3\n0 0 0\n1 0 0\n0 1 0\n0\n";
  if (named)
    part += "3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n";
  else if (signedCounts) {
    part += "1\n" + rest("-3 0 1 2", wide) + "\n";
    for (int extra = 0; extra < (version == 1010 ? 3 : 1); ++extra) part += line(wide, 'e') + "\n";
  } else
    part += "1\n3 0 1 2\n";
  part += rest("2", text) + "\n";
  for (int i = 0; i < 10; ++i) part += line(text, 'a' + static_cast<char>(i % 5)) + "\n";
  if (version >= 11 && !signedCounts)
    part += rest("2", text) + "\n" + line(text, 'w') + "\n" + line(text, 's') + "\n";
  if (version == 14) part += "0\n0\n";
  return part;
}

const int kVersions[] = {8, 9, 10, 1010, 11, 12, 14};

TEST(WindowsLineEnds, EveryExampleReadsAsItsUnixTwin) {
  const std::pair<const char*, ReadFn> examples[] = {
      {"fixture_plate_v8.pdb", ReadWith<xPdb08>},
      {"gripper_finger_v9.pdb", ReadWith<xPdb09>},
      {"robot_base_flange_v10.pdb", ReadWith<xPdb10>},
      {"sensor_bracket_v1010.pdb", ReadWith<xPdb10>},
      {"conveyor_guide_rail_v11.pdb", ReadWith<xPdb11>},
      {"mounting_plate_surfaces_v11.pdb", ReadWith<xPdb11>},
      {"weld_gun_bracket_v12.pdb", ReadWith<xPdb12>},
      {"cylinder_shells_surfaces_v12.pdb", ReadWith<xPdb12>},
      {"pallet_locator_v14.pdb", ReadWith<xPdb14>},
      {"tessellated_cover_surfaces_v14.pdb", ReadWith<xPdb14>}};
  AddDenebLibrary();
  for (const auto& [file, read] : examples) {
    const std::string unix = Example(file);
    ASSERT_EQ(unix.find('\r'), std::string::npos) << file;
    const Outcome lf = Read(read, unix), crlf = Read(read, Crlf(unix));
    EXPECT_EQ(lf.status, 0) << file;
    EXPECT_EQ(crlf.status, 0) << file;
    EXPECT_NE(lf.sets, "") << file;
    EXPECT_EQ(crlf.sets, lf.sets) << file;
  }
  xMatReader::ClearLibrary();
}

TEST(WindowsLineEnds, LinesAtTheirLimitReadAsWithUnixEndsAndOneCharacterMoreFailsBoth) {
  AddDenebLibrary();
  for (const int version : kVersions) {
    int lines = 0;
    const std::string atLimit = LimitPart(version, -1, lines);
    const Outcome lf = Read(ReaderOf(version), atLimit), crlf = Read(ReaderOf(version), Crlf(atLimit));
    EXPECT_EQ(lf.status, 0) << version;
    EXPECT_EQ(crlf.status, 0) << version;
    EXPECT_NE(lf.sets.find("set 8 RED 2\n 0,0,0 1,0,0 0,1,0 t"), std::string::npos) << version << lf.sets;
    EXPECT_EQ(crlf.sets, lf.sets) << version;
    for (int longer = 0; longer < lines; ++longer) {
      const std::string over = LimitPart(version, longer, lines);
      const Outcome lfOver = Read(ReaderOf(version), over), crlfOver = Read(ReaderOf(version), Crlf(over));
      EXPECT_NE(lfOver.status, 0) << version << " line " << longer;
      EXPECT_EQ(crlfOver.status, lfOver.status) << version << " line " << longer;
    }
  }
  xMatReader::ClearLibrary();
}

// Only a CR right before a line feed ends a line; anywhere else it is text,
// counted against the limit, and a CR LF split by more text is no line end.
TEST(WindowsLineEnds, ALoneCarriageReturnIsAnOrdinaryCharacter) {
  const std::string x78(78, 'x'), x79(79, 'x');
  const struct {
    std::string textLine;
    bool ok;
  } cases[] = {{x79 + "\r\n", true},    {x78 + "\r\r\n", true},       {"\r" + x78 + "\r\n", true},
               {x79 + "\r\r\n", false}, {"\r" + x79 + "\r\n", false}, {x79 + "\ry\n", false}};
  for (const auto& c : cases) {
    Text in("1\r\n" + c.textLine + "b\r\nc\r\nd\r\ne\r\nNEXT");
    EXPECT_EQ(xPdbUtil::SkipTexts(in.get(), 0), c.ok) << c.textLine.size();
    if (c.ok) {
      EXPECT_EQ(in.NextWord(), "NEXT") << c.textLine.size();
    }
  }
  // The rest of a count's line; a last line without its line feed was cut off
  // by the end of the file, with or without a CR.
  Text rest("1" + x79 + "\r\n" + x79 + "\r\n"), last("1\r\n" + x79), lastWithCr("1\r\n" + x79 + "\r");
  EXPECT_TRUE(xPdbUtil::SkipTextures(rest.get()));
  EXPECT_EQ(rest.NextWord(), "");
  EXPECT_FALSE(xPdbUtil::SkipTextures(last.get()));
  EXPECT_FALSE(xPdbUtil::SkipTextures(lastWithCr.get()));
}

}  // namespace
