#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Left-aligned text columns, two blanks apart; the last column is not padded.
// A long table need not be held: Widen with every row first, then AppendRow
// each, producing the same text as AddRow and Print.
class TextTable {
 public:
  using Row = std::initializer_list<std::string_view>;

  void AddRow(Row cells);
  void AddRow(const std::vector<std::string>& cells);
  void Print(std::ostream& out, const std::string& indent = "") const;

  // Makes room for a row that is not kept.
  void Widen(Row cells);
  // The row's text at the end of `text`, for a caller that writes many at once.
  void AppendRow(std::string& text, Row cells, const std::string& indent = "") const;

 private:
  void Widen(std::size_t column, std::string_view cell);
  template <class Cells>
  void AppendCells(std::string& line, const Cells& cells, const std::string& indent) const;

  std::vector<std::vector<std::string>> m_rows;
  std::vector<std::size_t> m_widths;
  mutable std::string m_line;  // reused: one row's text
};

// Control characters as escapes (\n, \t, \r, \xHH), so that a name cannot
// break or rewrite the terminal's lines; everything else as it is.
std::string EscapeControls(std::string_view text);
// The first bytes of a file as one line of text: line ends and tabs as
// escapes, other bytes outside printable ASCII as dots, since they need not
// be text at all.
std::string Printable(std::string_view bytes);
