#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Left-aligned text columns, two blanks apart; the last column is not padded.
// The cells of every row share one block of text, so that a table of a
// million rows costs little more than its text.
class TextTable {
 public:
  void AddRow(std::initializer_list<std::string_view> cells);
  void AddRow(const std::vector<std::string>& cells);
  void Print(std::ostream& out, const std::string& indent = "") const;

 private:
  void AddCell(std::string_view cell, std::size_t column);
  void EndRow();

  std::string m_text;
  std::vector<std::size_t> m_cellEnds;  // into m_text
  std::vector<std::size_t> m_rowEnds;   // into m_cellEnds
  std::vector<std::size_t> m_widths;
};

// Control characters as escapes (\n, \t, \r, \xHH), so that a name cannot
// break or rewrite the terminal's lines; everything else as it is.
std::string EscapeControls(std::string_view text);
