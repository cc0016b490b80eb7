#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Left-aligned text columns, two blanks apart; the last column is not padded.
class TextTable {
 public:
  void AddRow(std::vector<std::string> cells) { m_rows.push_back(std::move(cells)); }
  void Print(std::ostream& out, const std::string& indent = "") const;

 private:
  std::vector<std::vector<std::string>> m_rows;
};
