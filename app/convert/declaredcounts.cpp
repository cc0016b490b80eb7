#include "app/convert/declaredcounts.h"

#include <cctype>
#include <cstring>
#include <sstream>

#include "app/convert/plyfile.h"

namespace {

std::string Plural(std::uint64_t n, const char* what) { return std::to_string(n) + " " + what; }

// "OFF" (with the prefixes for colours, normals and texture coordinates)
// followed by the numbers of vertices, faces and edges.
std::string OffCounts(const std::string& head, std::uint64_t fileSize) {
  std::istringstream in(head);
  std::string word;
  in >> word;
  if (word.size() < 3 || word.compare(word.size() - 3, 3, "OFF") != 0 ||
      word.find_first_not_of("STCNn4OF") != std::string::npos)
    return "";
  std::string text;
  std::uint64_t counts[2] = {0, 0};
  for (std::uint64_t& count : counts) {
    while (in >> text && text[0] == '#') std::getline(in, text);
    if (!in || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) return "";
    count = std::stoull(text);
  }
  // A vertex takes at least "0 0 0\n", a face at least "0\n".
  const long double least = 6.0L * counts[0] + 2.0L * counts[1];
  if (least <= static_cast<long double>(fileSize)) return "";
  return "OFF header declares " + Plural(counts[0], "vertices") + " and " + Plural(counts[1], "faces") +
         ", more than the file's " + std::to_string(fileSize) + " bytes can hold";
}

// Binary STL: an 80-byte header, a count, then 50 bytes a triangle.
std::string StlCounts(const std::string& head, std::uint64_t fileSize) {
  if (head.size() < 84 || fileSize < 84) return "";
  std::size_t start = head.find_first_not_of(" \t\r\n");
  if (start != std::string::npos && head.compare(start, 5, "solid") == 0) return "";
  std::uint32_t count = 0;
  std::memcpy(&count, head.data() + 80, sizeof count);
  if (84 + 50ULL * count <= fileSize) return "";
  return "binary STL declares " + Plural(count, "triangles") + ", more than the file's " +
         std::to_string(fileSize) + " bytes can hold";
}

}  // namespace

std::string ImplausibleDeclaredCounts(const std::string& head, std::uint64_t fileSize,
                                      const std::string& extension) {
  if (LooksLikePly(head)) {
    PlyHeader header;
    std::string error;
    if (!ParsePlyHeader(head, header, error)) return error;
    return ImplausiblePlyCounts(header, fileSize);
  }
  std::string lower = extension;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == ".stl" ? StlCounts(head, fileSize) : OffCounts(head, fileSize);
}
