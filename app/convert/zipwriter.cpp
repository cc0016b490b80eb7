#include "app/convert/zipwriter.h"

#include <zlib.h>

#include <cstdint>
#include <limits>

#include "app/convert/meshtext.h"

namespace {

constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint16_t kVersion = 20, kDeflate = 8;
// 1980-01-01 00:00, the earliest date a zip holds: the same bytes every run.
constexpr std::uint16_t kTime = 0, kDate = (0 << 9) | (1 << 5) | 1;

void U16(std::string& out, std::uint16_t v) { meshtext::Raw(out, v); }
void U32(std::string& out, std::size_t v) { meshtext::Raw(out, static_cast<std::uint32_t>(v)); }

// What a local header and a central directory record share, from the
// version needed to extract to the length of the extra field (none).
void SharedFields(std::string& out, unsigned long crc, std::size_t compressed, std::size_t size,
                  std::size_t nameLength) {
  U16(out, kVersion);
  U16(out, 0);  // flags
  U16(out, kDeflate);
  U16(out, kTime);
  U16(out, kDate);
  U32(out, crc);
  U32(out, compressed);
  U32(out, size);
  U16(out, static_cast<std::uint16_t>(nameLength));
  U16(out, 0);
}

constexpr const char* kTooLarge = "the archive would reach 4 GiB, more than a zip without ZIP64 holds";

bool Deflate(const std::string& data, std::string& out) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  out.resize(deflateBound(&z, static_cast<uLong>(data.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return status == Z_STREAM_END;
}

}  // namespace

bool ZipWriter::Add(const std::string& name, const std::string& data, std::string& error) {
  if (data.size() >= kLimit) {
    error = name + " would take " + std::to_string(data.size()) + " bytes; a zip entry holds less than 4 GiB";
    return false;
  }
  std::string packed;
  if (!Deflate(data, packed)) {
    error = "cannot compress " + name;
    return false;
  }
  Entry entry{name, crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())),
              packed.size(), data.size(), m_bytes.size()};
  if (entry.offset + 30 + name.size() + packed.size() >= kLimit) {
    error = kTooLarge;
    return false;
  }
  U32(m_bytes, 0x04034b50);
  SharedFields(m_bytes, entry.crc, entry.compressed, entry.size, name.size());
  m_bytes += name;
  m_bytes += packed;
  m_entries.push_back(entry);
  return true;
}

bool ZipWriter::Finish(std::string& archive, std::string& error) {
  const std::size_t directory = m_bytes.size();
  for (const Entry& e : m_entries) {
    U32(m_bytes, 0x02014b50);
    U16(m_bytes, kVersion);  // made by
    SharedFields(m_bytes, e.crc, e.compressed, e.size, e.name.size());
    U16(m_bytes, 0);  // comment
    U16(m_bytes, 0);  // disk
    U16(m_bytes, 0);  // internal attributes
    U32(m_bytes, 0);  // external attributes
    U32(m_bytes, e.offset);
    m_bytes += e.name;
  }
  const std::size_t directoryBytes = m_bytes.size() - directory;
  if (m_bytes.size() >= kLimit || m_entries.size() > 0xFFFF) {
    error = kTooLarge;
    return false;
  }
  U32(m_bytes, 0x06054b50);
  U16(m_bytes, 0);
  U16(m_bytes, 0);
  U16(m_bytes, static_cast<std::uint16_t>(m_entries.size()));
  U16(m_bytes, static_cast<std::uint16_t>(m_entries.size()));
  U32(m_bytes, directoryBytes);
  U32(m_bytes, directory);
  U16(m_bytes, 0);
  archive = std::move(m_bytes);
  return true;
}
