#include "app/convert/plyfile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <sstream>

namespace {

struct TypeInfo {
  const char* name;
  int size;
  char kind;
};

constexpr TypeInfo kTypes[] = {
    {"char", 1, 'i'},  {"int8", 1, 'i'},    {"uchar", 1, 'u'},  {"uint8", 1, 'u'},
    {"short", 2, 'i'}, {"int16", 2, 'i'},   {"ushort", 2, 'u'}, {"uint16", 2, 'u'},
    {"int", 4, 'i'},   {"int32", 4, 'i'},   {"uint", 4, 'u'},   {"uint32", 4, 'u'},
    {"float", 4, 'f'}, {"float32", 4, 'f'}, {"double", 8, 'f'}, {"float64", 8, 'f'}};

const TypeInfo* Type(const std::string& name) {
  for (const TypeInfo& t : kTypes)
    if (name == t.name) return &t;
  return nullptr;
}

// Reads one value of a property as a double, from text or binary.
class ValueReader {
 public:
  ValueReader(std::istream& in, PlyHeader::Format format) : m_in(in), m_format(format) {}

  bool Read(int size, char kind, double& value) {
    if (m_format == PlyHeader::kAscii) return static_cast<bool>(m_in >> value);
    unsigned char bytes[8];
    if (size <= 0 || size > 8 || !m_in.read(reinterpret_cast<char*>(bytes), size)) return false;
    if ((m_format == PlyHeader::kBinaryBig) == (std::endian::native == std::endian::little))
      for (int i = 0; i < size / 2; ++i) std::swap(bytes[i], bytes[size - 1 - i]);
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes, static_cast<std::size_t>(size));
    if (kind == 'f') {
      value = size == 4 ? static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bits)))
                        : std::bit_cast<double>(bits);
    } else if (kind == 'u') {
      value = static_cast<double>(bits);
    } else {
      const int shift = 64 - 8 * size;
      value = static_cast<double>(static_cast<std::int64_t>(bits << shift) >> shift);
    }
    return true;
  }

 private:
  std::istream& m_in;
  PlyHeader::Format m_format;
};

}  // namespace

bool LooksLikePly(const std::string& head) {
  return head.rfind("ply\n", 0) == 0 || head.rfind("ply\r\n", 0) == 0;
}

bool ParsePlyHeader(const std::string& head, PlyHeader& header, std::string& error) {
  header = {};
  std::size_t at = 0;
  bool formatSeen = false;
  for (int line = 1;; ++line) {
    const std::size_t end = head.find('\n', at);
    if (end == std::string::npos) {
      error = "PLY header without end_header in its first " + std::to_string(head.size()) + " bytes";
      return false;
    }
    std::string text = head.substr(at, end - at);
    at = end + 1;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream words(text);
    std::string word;
    words >> word;
    const auto fail = [&](const std::string& why) {
      error = "PLY header line " + std::to_string(line) + ": " + why;
      return false;
    };
    if (line == 1 || word.empty() || word == "comment" || word == "obj_info") continue;
    if (word == "end_header") break;
    if (word == "format") {
      std::string format;
      words >> format;
      if (format == "ascii")
        header.format = PlyHeader::kAscii;
      else if (format == "binary_little_endian")
        header.format = PlyHeader::kBinaryLittle;
      else if (format == "binary_big_endian")
        header.format = PlyHeader::kBinaryBig;
      else
        return fail("unknown format " + format);
      formatSeen = true;
    } else if (word == "element") {
      PlyElement element;
      // A count is digits only: no sign that the stream would wrap around.
      std::string count;
      if (!(words >> element.name >> count) || count.find_first_not_of("0123456789") != std::string::npos ||
          count.size() > 19)
        return fail("an element needs a name and a count");
      element.count = std::stoull(count);
      header.elements.push_back(element);
    } else if (word == "property") {
      if (header.elements.empty()) return fail("a property before any element");
      PlyProperty property;
      std::string type;
      words >> type;
      if (type == "list") {
        std::string countType;
        words >> countType >> type;
        const TypeInfo* c = Type(countType);
        if (!c || c->kind == 'f') return fail("a list's count must be an integer type, not " + countType);
        property.countSize = c->size;
        property.countKind = c->kind;
      }
      const TypeInfo* t = Type(type);
      if (!t) return fail("unknown type " + type);
      property.size = t->size;
      property.kind = t->kind;
      words >> property.name;
      header.elements.back().properties.push_back(property);
    }
  }
  if (!formatSeen) {
    error = "PLY header without a format line";
    return false;
  }
  header.bodyOffset = at;
  return true;
}

std::string ImplausiblePlyCounts(const PlyHeader& header, std::uint64_t fileSize) {
  const std::uint64_t body = fileSize > header.bodyOffset ? fileSize - header.bodyOffset : 0;
  long double needed = 0;
  for (const PlyElement& e : header.elements) {
    // Text takes at least a digit and a separator a value; a list at least its count.
    std::uint64_t least = 0;
    for (const PlyProperty& p : e.properties)
      least += header.format == PlyHeader::kAscii ? 2 : p.countSize > 0 ? p.countSize : p.size;
    // Each text element ends its line, even one without properties.
    if (header.format == PlyHeader::kAscii) least = std::max<std::uint64_t>(least, 1);
    needed += static_cast<long double>(least) * e.count;
    if (needed > body)
      return "PLY header declares " + std::to_string(e.count) + " " + e.name + " elements, more than the " +
             std::to_string(body) + " bytes after it can hold";
  }
  return "";
}

std::vector<std::array<float, 3>> ReadPlyFaceColours(std::istream& in, const PlyHeader& header) {
  std::vector<std::array<float, 3>> colours;
  in.clear();
  if (!in.seekg(static_cast<std::streamoff>(header.bodyOffset))) return {};
  ValueReader reader(in, header.format);
  for (const PlyElement& element : header.elements) {
    int channel[3] = {-1, -1, -1};
    for (std::size_t i = 0; i < element.properties.size(); ++i) {
      const std::string& name = element.properties[i].name;
      const char* names[3] = {"red", "green", "blue"};
      for (int c = 0; c < 3; ++c)
        if (name == names[c] || name == std::string("diffuse_") + names[c]) channel[c] = static_cast<int>(i);
    }
    const bool faces = element.name == "face";
    if (faces && (channel[0] < 0 || channel[1] < 0 || channel[2] < 0)) return {};
    if (faces) colours.reserve(element.count);
    for (std::uint64_t n = 0; n < element.count; ++n) {
      std::array<float, 3> rgb{};
      for (std::size_t i = 0; i < element.properties.size(); ++i) {
        const PlyProperty& p = element.properties[i];
        double value = 0;
        if (p.countSize > 0) {
          if (!reader.Read(p.countSize, p.countKind, value) || value < 0) return {};
          for (auto k = static_cast<std::uint64_t>(value); k > 0; --k) {
            double item = 0;
            if (!reader.Read(p.size, p.kind, item)) return {};
          }
          continue;
        }
        if (!reader.Read(p.size, p.kind, value)) return {};
        for (int c = 0; c < 3; ++c)
          if (channel[c] == static_cast<int>(i))
            rgb[static_cast<std::size_t>(c)] =
                static_cast<float>(p.kind == 'f' ? value : value / (p.size == 2 ? 65535.0 : 255.0));
      }
      if (faces) colours.push_back(rgb);
    }
    if (faces) return colours;
  }
  return {};
}
