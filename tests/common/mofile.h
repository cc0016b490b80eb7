// Compiled message catalogues made in tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mofile {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A compiled catalogue as msgfmt lays it out: the header, the table of the
// original strings, the table of the translations, then the strings.
inline std::string MakeCatalogue(const Entries& entries, bool bigEndian = false) {
  std::string out;
  auto word = [&](std::uint32_t w) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(w >> (bigEndian ? 24 - 8 * i : 8 * i));
  };
  const auto n = static_cast<std::uint32_t>(entries.size());
  word(0x950412de), word(0), word(n), word(28), word(28 + 8 * n), word(0), word(28 + 16 * n);
  std::string strings;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> originals, translations;
  const std::uint32_t base = 28 + 16 * n;
  for (const auto& [original, translation] : entries) {
    originals.emplace_back(static_cast<std::uint32_t>(original.size()), base + strings.size());
    strings += original + '\0';
  }
  for (const auto& [original, translation] : entries) {
    translations.emplace_back(static_cast<std::uint32_t>(translation.size()), base + strings.size());
    strings += translation + '\0';
  }
  for (const auto& table : {originals, translations})
    for (const auto& [length, offset] : table) word(length), word(offset);
  return out + strings;
}

}  // namespace mofile
