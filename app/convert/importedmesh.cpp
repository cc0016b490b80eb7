#include "app/convert/importedmesh.h"

#include <cstring>

namespace {

template <class T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T>
void PutArray(std::string& out, const std::vector<T>& values) {
  Put(out, static_cast<std::uint64_t>(values.size()));
  if (!values.empty()) out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

  template <class T>
  bool Get(T& value) {
    if (m_bytes.size() < sizeof value) return false;
    std::memcpy(&value, m_bytes.data(), sizeof value);
    m_bytes.remove_prefix(sizeof value);
    return true;
  }
  template <class T>
  bool GetArray(std::vector<T>& values) {
    std::uint64_t count = 0;
    if (!Get(count) || count > m_bytes.size() / sizeof(T)) return false;
    values.resize(count);
    if (count > 0) std::memcpy(values.data(), m_bytes.data(), count * sizeof(T));
    m_bytes.remove_prefix(count * sizeof(T));
    return true;
  }
  bool AtEnd() const { return m_bytes.empty(); }

 private:
  std::string_view m_bytes;
};

bool Valid(const ImportedPart& part) {
  if (part.points.size() % 3 != 0) return false;
  switch (part.kind) {
    case ImportedPart::kPoints:
      return part.corners.empty();
    case ImportedPart::kSegments:
      return part.corners.empty() && part.points.size() % 6 == 0;
    case ImportedPart::kTriangles:
      break;
    default:
      return false;
  }
  if (part.corners.size() % 3 != 0) return false;
  const std::size_t points = part.points.size() / 3;
  for (const std::uint32_t c : part.corners)
    if (c >= points) return false;
  return true;
}

}  // namespace

std::string EncodeScene(const ImportedScene& scene) {
  std::size_t size = 32;
  for (const ImportedPart& p : scene.parts) size += 24 + 4 * (p.points.size() + p.corners.size());
  std::string out;
  out.reserve(size);
  Put(out, scene.facesWithoutCorners);
  Put(out, scene.facesNotFinite);
  Put(out, static_cast<std::uint64_t>(scene.parts.size()));
  for (const ImportedPart& p : scene.parts) {
    Put(out, p.kind);
    Put(out, p.colour);
    PutArray(out, p.points);
    PutArray(out, p.corners);
  }
  return out;
}

bool DecodeScene(std::string_view bytes, ImportedScene& scene, std::string& error) {
  Reader in(bytes);
  std::uint64_t parts = 0;
  scene = {};
  bool ok = in.Get(scene.facesWithoutCorners) && in.Get(scene.facesNotFinite) && in.Get(parts);
  // Each part takes at least its kind, colour and two counts.
  ok = ok && parts <= bytes.size() / 21;
  if (ok) scene.parts.resize(parts);
  for (ImportedPart& p : scene.parts) {
    ok = ok && in.Get(p.kind) && in.Get(p.colour) && in.GetArray(p.points) && in.GetArray(p.corners) &&
         Valid(p);
    if (!ok) break;
  }
  if (!ok || !in.AtEnd()) {
    error = "the importing process handed over a damaged mesh";
    scene = {};
    return false;
  }
  return true;
}
