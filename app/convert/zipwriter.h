#pragma once

#include <string>
#include <vector>

// A zip archive in memory, each entry deflated: what 3MF packages are.
// Without ZIP64, so the archive and each entry stay below 4 GiB.
class ZipWriter {
 public:
  // False with the reason in `error` when zlib fails or the archive would
  // outgrow what a zip without ZIP64 holds.
  bool Add(const std::string& name, const std::string& data, std::string& error);
  // The whole archive; Add no more after it.
  bool Finish(std::string& archive, std::string& error);

 private:
  struct Entry {
    std::string name;
    unsigned long crc = 0;
    std::size_t compressed = 0, size = 0, offset = 0;
  };
  std::string m_bytes;
  std::vector<Entry> m_entries;
};
