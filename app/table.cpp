#include "app/table.h"

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

void TextTable::AddCell(std::string_view cell, std::size_t column) {
  m_text.append(cell);
  m_cellEnds.push_back(m_text.size());
  if (m_widths.size() <= column) m_widths.resize(column + 1, 0);
  m_widths[column] = std::max(m_widths[column], Width(cell));
}

void TextTable::EndRow() { m_rowEnds.push_back(m_cellEnds.size()); }

void TextTable::AddRow(std::initializer_list<std::string_view> cells) {
  std::size_t column = 0;
  for (const std::string_view cell : cells) AddCell(cell, column++);
  EndRow();
}

void TextTable::AddRow(const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) AddCell(cells[i], i);
  EndRow();
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  std::string line;
  std::size_t cell = 0, textStart = 0;
  for (const std::size_t rowEnd : m_rowEnds) {
    line = indent;
    for (std::size_t column = 0; cell < rowEnd; ++cell, ++column) {
      const std::string_view text(m_text.data() + textStart, m_cellEnds[cell] - textStart);
      textStart = m_cellEnds[cell];
      line += text;
      if (cell + 1 < rowEnd) line.append(m_widths[column] - Width(text) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += '\n';
    out << line;
  }
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
