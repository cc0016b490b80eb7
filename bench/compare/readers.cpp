#include "readers.h"

#include <dlfcn.h>
#include <sys/resource.h>

#include <assimp/scene.h>
#include <fast_float/fast_float.h>
#include <tiny_obj_loader.h>
#include <assimp/Importer.hpp>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "app/defaults.h"
#include "app/read/package.h"
#include "host/xenvironment.h"
#include "host/xrenderplatform.h"
#include "host/xtrimesh.h"
#include "mesh.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

static_assert(sizeof(xFVector) == 3 * sizeof(float));
static_assert(sizeof(xTriMeshData::xTriangle) == 3 * sizeof(unsigned));

// The one-pass parser of the practical limit: the file in 1 MiB chunks, each
// cut after its last white space so that no number straddles two chunks;
// white space, then a number.
class ChunkCursor {
 public:
  explicit ChunkCursor(const std::string& file)
      : m_file(std::fopen(file.c_str(), "rb")), m_buffer(kChunk + kCarry) {
    if (!m_file) throw std::runtime_error("cannot open " + file);
    m_at = m_safe = m_end = m_buffer.data();
  }
  ~ChunkCursor() { std::fclose(m_file); }
  ChunkCursor(const ChunkCursor&) = delete;
  ChunkCursor& operator=(const ChunkCursor&) = delete;

  long long Int() {
    Skip();
    long long value = 0;
    const auto r = std::from_chars(m_at, m_end, value);
    if (r.ec != std::errc()) throw std::runtime_error("not an integer");
    m_at = const_cast<char*>(r.ptr);
    return value;
  }
  double Real() {
    Skip();
    double value = 0;
    const auto r = fast_float::from_chars(m_at, m_end, value);
    if (r.ec != std::errc()) throw std::runtime_error("not a real");
    m_at = const_cast<char*>(r.ptr);
    return value;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20, kCarry = 256;
  static bool Space(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

  void Skip() {
    for (;;) {
      while (m_at < m_safe && Space(*m_at)) ++m_at;
      if (m_at < m_safe) break;
      if (!Refill()) throw std::runtime_error("unexpected end of file");
    }
    if (*m_at == '+') ++m_at;
  }
  bool Refill() {
    const std::size_t carry = static_cast<std::size_t>(m_end - m_at);
    if (carry > kCarry) throw std::runtime_error("token too long");
    std::memmove(m_buffer.data(), m_at, carry);
    const std::size_t got = std::fread(m_buffer.data() + carry, 1, kChunk, m_file);
    m_at = m_buffer.data();
    m_end = m_at + carry + got;
    m_safe = m_end;
    if (got == kChunk)
      while (m_safe > m_at && !Space(m_safe[-1])) --m_safe;
    return m_safe > m_at;
  }

  std::FILE* m_file;
  std::vector<char> m_buffer;
  char* m_at;
  char* m_safe;
  char* m_end;
};

// "rss_before", then the wall and CPU time of read() alone.
template <class Read>
Measures Timed(Read read) {
  Measures m;
  m["rss_before"] = CurrentRss();
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  read();
  m["seconds"] = Since(start);
  m["cpu_seconds"] = CpuSeconds() - cpu;
  return m;
}

// Checksums of the arrays read, cut to 52 bits: a measure is a double.
void AddChecksums(Measures& m, const float* points, std::size_t floats, const std::uint32_t* indices,
                  std::size_t count) {
  m["point_sum"] = static_cast<double>(PointChecksum(points, floats) >> 12);
  m["index_sum"] = static_cast<double>(IndexChecksum(indices, count) >> 12);
}

}  // namespace

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double CurrentRss() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) * 1024.0;
  return 0.0;
}

const PackageModule& LoadForReading(Package& package, const std::string& library, int module) {
  std::string error;
  if (!package.Load(library, error)) throw std::runtime_error(error);
  package.InstallColourMaterials();
  if (module < 0 || module >= static_cast<int>(package.Modules().size()))
    throw std::runtime_error("no module " + std::to_string(module));
  xEnvironment::GetGlobal()->SetDouble("Render.NURBS.Tolerance", kDefaultNurbsTolerance);
  return package.Modules()[static_cast<std::size_t>(module)];
}

Measures ReadWithPackage(const std::string& library, int module, const std::string& file, bool warmContext) {
  Package package;
  const PackageModule& chosen = LoadForReading(package, library, module);
  // A host has its OpenGL context long before it reads surfaces; making one
  // (EGL and driver start-up) is no part of the read.
  if (warmContext) xRenderPlatform::GetPlatform()->IsAvailable();
  using GluSecondsFn = double (*)();
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  const auto gluSeconds = handle ? reinterpret_cast<GluSecondsFn>(dlsym(handle, "xpdbGluSeconds")) : nullptr;

  auto* geometry = new xGeometry;
  Measures m = Timed([&] {
    std::filebuf buffer;
    if (!buffer.open(file, std::ios::in | std::ios::binary)) throw std::runtime_error("cannot open " + file);
    xStream stream(&buffer);
    if (chosen.read(&stream, &geometry) != 0) throw std::runtime_error("GRRead did not return 0");
  });
  if (gluSeconds) m["glu_seconds"] = gluSeconds();

  const xGeoContainer& container = *geometry->GetContainer();
  m["sets"] = container.GetSetCount();
  double points = 0, triangles = 0;
  for (int i = 0; i < container.GetSetCount(); ++i) {
    auto* mesh = dynamic_cast<xTriMesh*>(container.GetSet(i));
    if (!mesh) continue;
    points += mesh->GetPointCount();
    triangles += mesh->GetTriangleCount();
  }
  m["points"] = points;
  m["triangles"] = triangles;
  if (container.GetSetCount() == 1) {
    if (auto* mesh = dynamic_cast<xTriMesh*>(container.GetSet(0))) {
      const xTriMeshData& data = *mesh->GetData();
      AddChecksums(m, reinterpret_cast<const float*>(data.points.data()), data.points.size() * 3,
                   reinterpret_cast<const std::uint32_t*>(data.triangles.data()), data.triangles.size() * 3);
    }
  }
  return m;  // the geometry and the package stay until the process ends
}

Measures ReadWithFastFloat(const std::string& file) {
  std::vector<float> points;
  std::vector<std::uint32_t> indices;
  Measures m = Timed([&] {
    ChunkCursor in(file);
    in.Int();  // version
    for (int section = 0; section < 3; ++section)
      if (in.Int() != 0) throw std::runtime_error("the loop reads parts without sections only");
    if (in.Int() != 1) throw std::runtime_error("the loop reads parts of one object only");
    in.Int();  // colour
    const long long count = in.Int();
    points.resize(static_cast<std::size_t>(count) * 3);
    for (float& coordinate : points) coordinate = static_cast<float>(in.Real());
    if (in.Int() != 0) throw std::runtime_error("the loop reads parts without line segments only");
    const long long polygons = in.Int();
    indices.reserve(static_cast<std::size_t>(polygons) * 3);
    std::uint32_t corners[64];
    for (long long f = 0; f < polygons; ++f) {
      const long long n = in.Int();
      if (n < 0 || n > 64) throw std::runtime_error("the loop reads polygons of up to 64 corners");
      int kept = 0;
      for (long long k = 0; k < n; ++k) {
        const long long index = in.Int();
        if (index >= 0 && index < count) corners[kept++] = static_cast<std::uint32_t>(index);
      }
      for (int j = 1; j + 1 < kept; ++j)
        indices.insert(indices.end(), {corners[0], corners[j], corners[j + 1]});
    }
    in.Int();  // texts
  });
  m["sets"] = 1;
  m["points"] = static_cast<double>(points.size() / 3);
  m["triangles"] = static_cast<double>(indices.size() / 3);
  AddChecksums(m, points.data(), points.size(), indices.data(), indices.size());
  return m;
}

Measures ReadWithAssimp(const std::string& file) {
  auto* importer = new Assimp::Importer;
  const aiScene* scene = nullptr;
  Measures m = Timed([&] { scene = importer->ReadFile(file, 0); });
  if (!scene) throw std::runtime_error(std::string("Assimp: ") + importer->GetErrorString());
  double points = 0, triangles = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    points += scene->mMeshes[i]->mNumVertices;
    triangles += scene->mMeshes[i]->mNumFaces;
  }
  m["sets"] = scene->mNumMeshes;
  m["points"] = points;
  m["triangles"] = triangles;
  return m;
}

Measures ReadWithTinyObj(const std::string& file) {
  auto* reader = new tinyobj::ObjReader;
  bool ok = false;
  Measures m = Timed([&] { ok = reader->ParseFromFile(file); });
  if (!ok) throw std::runtime_error("tinyobjloader: " + reader->Error());
  const auto& attrib = reader->GetAttrib();
  std::vector<std::uint32_t> indices;
  double triangles = 0;
  for (const auto& shape : reader->GetShapes()) {
    triangles += static_cast<double>(shape.mesh.num_face_vertices.size());
    for (const auto& index : shape.mesh.indices)
      indices.push_back(static_cast<std::uint32_t>(index.vertex_index));
  }
  m["sets"] = static_cast<double>(reader->GetShapes().size());
  m["points"] = static_cast<double>(attrib.vertices.size() / 3);
  m["triangles"] = triangles;
  AddChecksums(m, attrib.vertices.data(), attrib.vertices.size(), indices.data(), indices.size());
  return m;
}
