#include "package/messagecatalogue.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "package/smallfile.h"

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderSize = 28;

// Reads the 32-bit words of the file in its own byte order.
class Words {
 public:
  explicit Words(const std::string& bytes) : m_bytes(bytes) {}
  bool Start() {
    if (m_bytes.size() < kHeaderSize) return false;
    if (At(0) != kMagic) {
      m_swapped = true;
      if (At(0) != kMagic) return false;
    }
    return true;
  }
  // The word at `offset`, which the caller has checked.
  std::uint32_t At(std::size_t offset) const {
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + offset);
    return m_swapped ? std::uint32_t{p[3]} | std::uint32_t{p[2]} << 8 | std::uint32_t{p[1]} << 16 |
                           std::uint32_t{p[0]} << 24
                     : std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                           std::uint32_t{p[3]} << 24;
  }

 private:
  const std::string& m_bytes;
  bool m_swapped = false;
};

// The charset that a catalogue's header names; "" without one.
std::string Charset(std::string_view header) {
  const auto start = header.find("charset=");
  if (start == std::string_view::npos) return {};
  std::string name;
  for (const char c : header.substr(start + 8)) {
    if (c == ';' || c == '\n' || std::isspace(static_cast<unsigned char>(c))) break;
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

}  // namespace

std::unique_ptr<MessageCatalogue> MessageCatalogue::Parse(std::string bytes) {
  std::unique_ptr<MessageCatalogue> catalogue(new MessageCatalogue(std::move(bytes)));
  if (!catalogue->Index()) return nullptr;
  return catalogue;
}

std::unique_ptr<MessageCatalogue> MessageCatalogue::Load(const std::string& path) {
  std::optional<std::string> bytes = ReadSmallFile(path, kMaxFileSize);
  return bytes ? Parse(std::move(*bytes)) : nullptr;
}

const char* MessageCatalogue::Find(std::string_view text) const {
  const auto found = m_translations.find(text);
  return found == m_translations.end() ? nullptr : found->second;
}

// Header: magic, revision, string count N, offsets of the original and the
// translated string tables; each table holds N (length, offset) pairs, and
// each string is followed by a NUL that its length does not count.
bool MessageCatalogue::Index() {
  Words words(m_bytes);
  if (!words.Start()) return false;
  // Only major revisions 0 and 1 share this layout.
  if (words.At(4) >> 16 > 1) return false;
  const std::uint64_t size = m_bytes.size(), count = words.At(8), originals = words.At(12),
                      translations = words.At(16);
  if (originals + count * 8 > size || translations + count * 8 > size) return false;
  // A string and its NUL within the file.
  auto string = [&](std::uint64_t table, std::uint64_t i, std::string_view& text) {
    const std::uint64_t length = words.At(table + i * 8), offset = words.At(table + i * 8 + 4);
    if (offset + length >= size || m_bytes[offset + length] != '\0') return false;
    text = std::string_view(m_bytes.data() + offset, length);
    return true;
  };
  for (std::uint64_t i = 0; i < count; ++i) {
    std::string_view original, translation;
    if (!string(originals, i, original) || !string(translations, i, translation)) return false;
    // Plural forms follow the first form after a NUL.
    original = original.substr(0, std::strlen(original.data()));
    if (original.empty()) {
      const std::string charset = Charset(translation);
      if (!charset.empty() && charset != "utf8" && charset != "ascii" && charset != "usascii") return false;
      continue;
    }
    if (translation.empty() || translation.front() == '\0') continue;
    m_translations.emplace(original, translation.data());
  }
  return true;
}
