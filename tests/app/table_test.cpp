#include "app/table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(TextTable, AlignsColumnsByCharactersNotBytes) {
  TextTable table;
  table.AddRow({"a", "Größe", "x"});
  table.AddRow({"bbb", "size", "y"});
  table.AddRow({"c"});
  std::ostringstream out;
  table.Print(out, "  ");
  EXPECT_EQ(out.str(),
            "  a    Größe  x\n"
            "  bbb  size   y\n"
            "  c\n");
}

TEST(TextTable, TrailingEmptyCellsLeaveNoBlanks) {
  TextTable table;
  table.AddRow({"name", ""});
  table.AddRow({"n", "value"});
  std::ostringstream out;
  table.Print(out);
  EXPECT_EQ(out.str(), "name\nn     value\n");
}

}  // namespace
