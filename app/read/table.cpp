#include "app/read/table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>

namespace {

// Columns as a terminal shows them: UTF-8 continuation bytes take no room
// (translated texts carry umlauts).
std::size_t Width(std::string_view text) {
  // Continuation bytes (10xxxxxx) counted eight at a time: a million rows
  // measure five cells each.
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::size_t continuations = 0, i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, sizeof word);
    // One bit a continuation byte, summed by a multiplication into the top
    // byte: no population-count instruction needed.
    const std::uint64_t ones = (word & ~(word << 1) & kHighBits) >> 7;
    continuations += static_cast<std::size_t>((ones * 0x0101010101010101u) >> 56);
  }
  for (; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++continuations;
  return text.size() - continuations;
}

}  // namespace

void TextTable::Widen(std::size_t column, std::string_view cell) {
  if (m_widths.size() <= column) m_widths.resize(column + 1, 0);
  // A cell takes at most a column per byte: most rows need no count.
  if (cell.size() > m_widths[column]) m_widths[column] = std::max(m_widths[column], Width(cell));
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
void TextTable::AppendCells(std::string& line, const Cells& cells, const std::string& indent) const {
  line += indent;
  std::size_t column = 0;
  for (const std::string_view cell : cells) {
    line += cell;
    if (column + 1 < cells.size())
      line.append(m_widths[column] - std::min(m_widths[column], Width(cell)) + 2, ' ');
    ++column;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += '\n';
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  for (const auto& row : m_rows) {
    m_line.clear();
    AppendCells(m_line, row, indent);
    out << m_line;
  }
}

void TextTable::AppendRow(std::string& text, Row cells, const std::string& indent) const {
  AppendCells(text, cells, indent);
}

namespace {

// Line ends and tabs by name; other control bytes, and with `dots` every
// byte outside printable ASCII, as `dots` says.
std::string Escape(std::string_view text, bool dots) {
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
    else if (dots && (byte < 0x20 || byte >= 0x7f))
      escaped += '.';
    else if (byte < 0x20 || byte == 0x7f)
      escaped.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 15]});
    else
      escaped += c;
  }
  return escaped;
}

}  // namespace

std::string EscapeControls(std::string_view text) { return Escape(text, false); }

std::string Printable(std::string_view bytes) { return Escape(bytes, true); }
