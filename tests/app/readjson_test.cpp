// The streamed `read --json` against the JSON library's own document.
#include <cmath>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "app/read/readjson.h"
#include "app/read/table.h"

namespace {

SetSummary Set(const char* type, std::optional<std::string> material, std::vector<double> corners) {
  SetSummary s;
  s.type = type;
  s.typeCode = 42;
  s.material = std::move(material);
  s.materialMode = 2;
  s.points = 7;
  s.triangles = 3;
  s.area = 0.1 + 0.2;
  s.segments = 5;
  s.polylines = 1;
  s.lines = 2;
  s.polygons = 9;
  s.frames = 4;
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    s.bounds.Add(corners[i], corners[i + 1], corners[i + 2]);
  return s;
}

std::string Streamed(const ReadReport& report) {
  std::ostringstream out;
  ReadJsonWriter writer(out);
  writer.Begin(report);
  for (const SetSummary& s : report.sets) writer.Set(s);
  writer.End();
  return out.str();
}

// Every kind of set, numbers the library writes in its own ways (integral
// doubles, exponents, negative zero, values beyond JSON), and names that
// need escaping or are not UTF-8.
TEST(ReadJson, StreamedTextIsTheLibrarysDocumentByteForByte) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ReadReport report;
  report.file = "dir/part \"one\"\x01\xff.pdb";
  report.module = "xpdb09";
  report.ok = false;
  report.error = "Error Reading Coorsyses";
  report.optimizer = {true, "xpdb", 9};
  report.assertions = 3;
  const auto check = [&] {
    EXPECT_EQ(Streamed(report), DumpJson(ToJson(report)) + "\n");
    EXPECT_TRUE(nlohmann::json::accept(Streamed(report)));
  };
  check();  // no sets
  report.sets = {Set("xTriMesh", "RED", {0, -0.0, 1e-7, 1, 2.5e20, 123456789.125}),
                 Set("xCompactLineSet", std::nullopt, {}),
                 Set("xLineSet", "quote\"back\\slash", {nan, 1, 2}),
                 Set("xPolyMesh", "bad\xc3(utf8\t", {1e300, -1e-300, 5e-324}),
                 Set("xPointSet", "PDB_COLOR28", {1, 1, 1}),
                 Set("xFrameSet", "GREY", {-4, 0.5, 3}),
                 Set("xGeoSet", std::nullopt, {})};
  check();
  report.module = "";
  report.ok = true;
  check();
}

TEST(TextTable, AlignsColumnsOverManyBlocksAndEscapesControls) {
  TextTable table;
  table.AddRow({"#", "name", "last"});
  for (int i = 0; i < 30000; ++i) table.AddRow({std::to_string(i), std::string(i % 50, 'x'), "end  "});
  table.AddRow(std::vector<std::string>{"ü", "", "z"});
  std::ostringstream out;
  table.Print(out, "> ");
  std::istringstream lines(out.str());
  std::string first, line, last;
  std::getline(lines, first);
  EXPECT_EQ(first, "> #      name" + std::string(49 - 4 + 2, ' ') + "last");
  int count = 1;
  while (std::getline(lines, line)) {
    ++count;
    last = line;
  }
  EXPECT_EQ(count, 30002);
  EXPECT_EQ(last, "> ü      " + std::string(49 + 2, ' ') + "z")
      << "one column for the umlaut, trailing blanks cut";
  EXPECT_EQ(EscapeControls("a\nb\tc\x1b[2J\x7f\xc3\xbc"), "a\\nb\\tc\\x1b[2J\\x7f\xc3\xbc");
  // A file's first bytes need not be text: everything unprintable is a dot.
  EXPECT_EQ(Printable("PK\x03\x04\r\n\x1b[2J\xc3\xbc\x7f"), "PK..\\r\\n.[2J...");
}

TEST(TextTable, RowsWrittenInBlocksMatchTheHeldTableAndCountCharactersNotBytes) {
  // Cells longer than eight bytes, with multi-byte characters across every
  // offset, and one longer in bytes than its neighbour but narrower.
  const std::vector<std::vector<std::string>> rows = {
      {"1",
       "Gr\xc3\xb6\xc3\x9f"
       "en\xc3\xa4nderung",
       "a"},
      {"22", "xxxxxxxxxxxxxxx", "b"},
      {"333", "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac", "c"},
      {"4", "\xf0\x9f\x99\x82 ok \xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc", "d"}};
  TextTable held, streamed;
  for (const auto& row : rows) {
    held.AddRow(row);
    streamed.Widen({row[0], row[1], row[2]});
  }
  std::ostringstream out;
  held.Print(out, "  ");
  std::string text;
  for (const auto& row : rows) streamed.AppendRow(text, {row[0], row[1], row[2]}, "  ");
  EXPECT_EQ(text, out.str());
  // "Größenänderung" is 14 characters in 17 bytes: the widest column is the
  // 15 x's, so it gets one blank more than the two between columns.
  EXPECT_NE(text.find("  1    Gr\xc3\xb6\xc3\x9f"
                      "en\xc3\xa4nderung   a\n"),
            std::string::npos)
      << text;
  EXPECT_NE(
      text.find(
          "  333  \xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac           c\n"),
      std::string::npos)
      << text;
}

}  // namespace
