#include "app/read/table.h"

#include <algorithm>
#include <ostream>

namespace {

// Columns as a terminal shows them: UTF-8 continuation bytes take no room
// (translated texts carry umlauts).
std::size_t Width(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  return width;
}

}  // namespace

void TextTable::Widen(std::size_t column, std::string_view cell) {
  if (m_widths.size() <= column) m_widths.resize(column + 1, 0);
  m_widths[column] = std::max(m_widths[column], Width(cell));
}

void TextTable::Widen(Row cells) {
  std::size_t column = 0;
  for (const std::string_view cell : cells) Widen(column++, cell);
}

void TextTable::AddRow(Row cells) {
  Widen(cells);
  m_rows.emplace_back(cells.begin(), cells.end());
}

void TextTable::AddRow(const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) Widen(i, cells[i]);
  m_rows.push_back(cells);
}

template <class Cells>
void TextTable::PrintCells(std::ostream& out, const Cells& cells, const std::string& indent) const {
  std::string& line = m_line;
  line.assign(indent);
  std::size_t column = 0;
  for (const std::string_view cell : cells) {
    line += cell;
    if (column + 1 < cells.size())
      line.append(m_widths[column] - std::min(m_widths[column], Width(cell)) + 2, ' ');
    ++column;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += '\n';
  out << line;
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  for (const auto& row : m_rows) PrintCells(out, row, indent);
}

void TextTable::PrintRow(std::ostream& out, Row cells, const std::string& indent) const {
  PrintCells(out, cells, indent);
}

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n')
      escaped += "\\n";
    else if (c == '\r')
      escaped += "\\r";
    else if (c == '\t')
      escaped += "\\t";
    else if (byte < 0x20 || byte == 0x7f)
      escaped.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 15]});
    else
      escaped += c;
  }
  return escaped;
}
