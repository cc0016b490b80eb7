#include "app/convert/plainobj.h"

#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/convert/weld.h"

namespace {

// The file, mapped read-only for as long as it is parsed.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
      void* data = mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (data != MAP_FAILED) {
        m_data = static_cast<const char*>(data);
        m_size = static_cast<std::size_t>(info.st_size);
        madvise(data, m_size, MADV_SEQUENTIAL);
      }
    }
    close(fd);
  }
  ~MappedFile() {
    if (m_data) munmap(const_cast<char*>(m_data), m_size);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const char* Data() const { return m_data; }
  std::size_t Size() const { return m_size; }

 private:
  const char* m_data = nullptr;
  std::size_t m_size = 0;
};

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

class Parser {
 public:
  Parser(const char* begin, const char* end) : m_at(begin), m_end(end) {}

  // False at the end of the file.
  bool NextLine() {
    while (m_at < m_end && *m_at != '\n') ++m_at;
    if (m_at >= m_end) return false;
    ++m_at;
    return true;
  }
  void SkipBlanks() {
    while (m_at < m_end && Blank(*m_at)) ++m_at;
  }
  bool AtLineEnd() {
    SkipBlanks();
    return m_at >= m_end || *m_at == '\n';
  }
  // The keyword at the start of the line, up to the first blank.
  std::string_view Keyword() {
    SkipBlanks();
    const char* start = m_at;
    while (m_at < m_end && !Blank(*m_at) && *m_at != '\n') ++m_at;
    return {start, static_cast<std::size_t>(m_at - start)};
  }
  bool Real(float& value) {
    SkipBlanks();
    const auto r = fast_float::from_chars(m_at, m_end, value);
    if (r.ec != std::errc() || !std::isfinite(value)) return false;
    m_at = r.ptr;
    return true;
  }
  // A face corner: "v", "v/t", "v//n" or "v/t/n"; only v counts.
  bool Corner(long long& vertex) {
    SkipBlanks();
    const auto r = std::from_chars(m_at, m_end, vertex);
    if (r.ec != std::errc()) return false;
    m_at = r.ptr;
    for (int slashes = 0; slashes < 2 && m_at < m_end && *m_at == '/'; ++slashes) {
      ++m_at;
      long long ignored = 0;
      if (m_at < m_end && *m_at != '/') {
        const auto s = std::from_chars(m_at, m_end, ignored);
        if (s.ec != std::errc()) return false;
        m_at = s.ptr;
      }
    }
    return m_at >= m_end || Blank(*m_at) || *m_at == '\n';
  }
  std::size_t Offset(const char* begin) const { return static_cast<std::size_t>(m_at - begin); }

 private:
  const char* m_at;
  const char* m_end;
};

}  // namespace

bool ReadPlainObj(const std::string& path, ImportedScene& scene,
                  const std::function<void(double)>& progress) {
  const MappedFile file(path);
  if (!file.Data()) return false;
  const char* begin = file.Data();
  Parser in(begin, begin + file.Size());
  std::vector<float> vertices;
  std::vector<std::uint32_t> corners;  // vertex indices, zero-based
  std::size_t nextReport = 0;
  do {
    const std::string_view keyword = in.Keyword();
    if (keyword == "v") {
      float xyz[3];
      if (!in.Real(xyz[0]) || !in.Real(xyz[1]) || !in.Real(xyz[2]) || !in.AtLineEnd()) return false;
      vertices.insert(vertices.end(), xyz, xyz + 3);
    } else if (keyword == "f") {
      const auto count = static_cast<long long>(vertices.size() / 3);
      for (int k = 0; k < 3; ++k) {
        long long v = 0;
        if (!in.Corner(v)) return false;
        // Negative indices count back from the latest vertex.
        v = v < 0 ? count + v : v - 1;
        if (v < 0 || v >= count) return false;
        corners.push_back(static_cast<std::uint32_t>(v));
      }
      if (!in.AtLineEnd()) return false;
    } else if (keyword == "o" || keyword == "g") {
      // Assimp makes a mesh of each object or group: more than one is its job.
      if (!corners.empty()) return false;
    } else if (!(keyword.empty() || keyword[0] == '#' || keyword == "vn" || keyword == "vt" ||
                 keyword == "s")) {
      return false;
    }
    if (in.Offset(begin) >= nextReport) {
      progress(static_cast<double>(in.Offset(begin)) / static_cast<double>(file.Size()));
      nextReport = in.Offset(begin) + (1 << 22);
    }
  } while (in.NextLine());

  if (corners.empty()) return false;
  ImportedScene result;
  {
    ImportedPart part;
    part.colour = -2;
    // Each vertex is welded once, on its first use.
    std::vector<std::uint32_t> welded(vertices.size() / 3, UINT32_MAX);
    PositionWeld weld(corners.size());
    part.corners.reserve(corners.size());
    for (const std::uint32_t v : corners) {
      if (welded[v] == UINT32_MAX)
        welded[v] = weld.Add(vertices[3 * v], vertices[3 * v + 1], vertices[3 * v + 2]);
      part.corners.push_back(welded[v]);
    }
    part.points = weld.TakePoints();
    result.parts.push_back(std::move(part));
  }
  scene = std::move(result);
  return true;
}
