#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// The translations of one compiled GNU message catalogue (a .mo file), looked
// up by their original text. Read-only once made, so any number of threads
// may look texts up at once.
class MessageCatalogue {
 public:
  // The largest catalogue file taken; ours are a few kilobytes.
  static constexpr std::size_t kMaxFileSize = std::size_t{1} << 20;

  // The catalogue in `bytes`: either byte order, every table and string
  // inside the bytes, its texts in UTF-8 (or ASCII); otherwise null.
  static std::unique_ptr<MessageCatalogue> Parse(std::string bytes);
  // The catalogue in the regular file `path`; null when there is none or it is unsound.
  static std::unique_ptr<MessageCatalogue> Load(const std::string& path);

  MessageCatalogue(const MessageCatalogue&) = delete;
  MessageCatalogue& operator=(const MessageCatalogue&) = delete;

  // The translation of `text` (the singular one for a text with plural
  // forms), NUL-terminated and as long-lived as the catalogue; null when the
  // catalogue has none or an empty one.
  const char* Find(std::string_view text) const;
  std::size_t Size() const { return m_translations.size(); }

 private:
  explicit MessageCatalogue(std::string bytes) : m_bytes(std::move(bytes)) {}
  bool Index();

  const std::string m_bytes;
  std::unordered_map<std::string_view, const char*> m_translations;  // into m_bytes
};
