#include "mesh.h"

#include <charconv>
#include <cmath>
#include <cstring>

GridMesh MakeGrid(int columns, int rows) {
  GridMesh mesh;
  mesh.columns = columns;
  mesh.rows = rows;
  mesh.points.reserve(static_cast<std::size_t>(columns) * rows * 3);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      mesh.points.push_back(static_cast<float>(i * 0.731 - 250.0));
      mesh.points.push_back(static_cast<float>(j * 0.419 + 12.5));
      // Crosses zero now and then, so the text also holds exponent forms.
      mesh.points.push_back(static_cast<float>(40.0 * std::sin(i * 0.01) * std::cos(j * 0.013)));
    }
  mesh.triangles.reserve(static_cast<std::size_t>(columns - 1) * (rows - 1) * 6);
  for (int j = 0; j + 1 < rows; ++j)
    for (int i = 0; i + 1 < columns; ++i) {
      const auto a = static_cast<std::uint32_t>(j * columns + i);
      const auto b = a + 1, c = a + static_cast<std::uint32_t>(columns), d = c + 1;
      mesh.triangles.insert(mesh.triangles.end(), {a, b, d, a, d, c});
    }
  return mesh;
}

void AppendReal(std::string& out, double value) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  out.append(buffer, r.ptr);
}

void AppendInt(std::string& out, long long value) {
  char buffer[24];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, r.ptr);
}

namespace {

class ChunkWriter {
 public:
  static constexpr std::size_t kChunk = 1 << 20;
  explicit ChunkWriter(std::FILE* file) : m_file(file) { text.reserve(kChunk + 256); }
  // Called after each line; the longest line is far below the slack.
  void LineDone() {
    if (text.size() >= kChunk) Flush();
  }
  bool Finish() {
    Flush();
    return m_ok;
  }
  std::string text;

 private:
  void Flush() {
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) m_ok = false;
    text.clear();
  }
  std::FILE* m_file;
  bool m_ok = true;
};

void AppendTriple(std::string& out, const float* p) {
  AppendReal(out, p[0]);
  out += ' ';
  AppendReal(out, p[1]);
  out += ' ';
  AppendReal(out, p[2]);
  out += '\n';
}

}  // namespace

bool WritePdb9(std::FILE* file, const GridMesh& mesh, int colour) {
  ChunkWriter w(file);
  std::string& out = w.text;
  out += "9\n0\n0\n0\n1\n";
  AppendInt(out, colour);
  out += '\n';
  AppendInt(out, static_cast<long long>(mesh.PointCount()));
  out += '\n';
  for (std::size_t i = 0; i < mesh.points.size(); i += 3) {
    AppendTriple(out, &mesh.points[i]);
    w.LineDone();
  }
  out += "0\n";
  AppendInt(out, static_cast<long long>(mesh.TriangleCount()));
  out += '\n';
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
    out += "3 ";
    AppendInt(out, mesh.triangles[i]);
    out += ' ';
    AppendInt(out, mesh.triangles[i + 1]);
    out += ' ';
    AppendInt(out, mesh.triangles[i + 2]);
    out += '\n';
    w.LineDone();
  }
  out += "0\n";
  return w.Finish();
}

bool WriteObj(std::FILE* file, const GridMesh& mesh) {
  ChunkWriter w(file);
  std::string& out = w.text;
  out += "o grid\n";
  for (std::size_t i = 0; i < mesh.points.size(); i += 3) {
    out += "v ";
    AppendTriple(out, &mesh.points[i]);
    w.LineDone();
  }
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
    out += "f ";
    AppendInt(out, mesh.triangles[i] + 1LL);
    out += ' ';
    AppendInt(out, mesh.triangles[i + 1] + 1LL);
    out += ' ';
    AppendInt(out, mesh.triangles[i + 2] + 1LL);
    out += '\n';
    w.LineDone();
  }
  return w.Finish();
}

namespace {

void Line(std::string& out, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out += ' ';
    first = false;
    AppendReal(out, v);
  }
  out += '\n';
}

// One surface: a 40 x 40 bicubic patch with a shallow bulge, at (x0, y0).
void AppendSurface(std::string& out, double x0, double y0, int colour, int seed) {
  constexpr int kControl = 5;  // degree 3 with two spans
  out += "0 1 0 1\n3 3 2 2\n0 0\n";
  out += "0 0 0 0 0.5 1 1 1 1\n0 0 0 0 0.5 1 1 1 1\n";
  const double height = 0.5 + 0.5 * (seed % 4);
  for (int i = 0; i < kControl; ++i)
    for (int j = 0; j < kControl; ++j) {
      const double u = i / 4.0, v = j / 4.0;
      const double z = height * std::sin(M_PI * u) * std::sin(M_PI * v) + 0.5 * std::cos(3.0 * u + seed);
      Line(out, {1.0, x0 + 40.0 * u, y0 + 40.0 * v, z});
    }
  out += "0.01\n";
  // Outline with chamfered corners, counter-clockwise.
  const double c = 0.1;
  const double outline[][2] = {{c, 0},     {1 - c, 0}, {1, c},     {1, 1 - c},
                               {1 - c, 1}, {c, 1},     {0, 1 - c}, {0, c}};
  out += "8\n";
  for (const auto& p : outline) Line(out, {p[0], p[1]});
  // One round hole, clockwise.
  constexpr int kHole = 16;
  out += "1\n16\n";
  const double cx = 0.5 + 0.05 * (seed % 3 - 1), cy = 0.5, r = 0.2;
  for (int k = 0; k < kHole; ++k) {
    const double a = -2.0 * M_PI * k / kHole;
    Line(out, {cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  AppendInt(out, colour);
  out += '\n';
}

}  // namespace

std::string SurfacePart(int count, int first) {
  std::string out = "11\n0\n0\n";
  AppendInt(out, count);
  out += '\n';
  constexpr int kPerRow = 40;
  for (int s = first; s < first + count; ++s)
    AppendSurface(out, 50.0 * (s % kPerRow), 50.0 * (s / kPerRow), 4 + s % 32, s);
  out += "0\n";
  return out;
}

std::uint64_t PointChecksum(const float* xyz, std::size_t floats) {
  std::uint64_t sum = 1469598103934665603ULL;
  for (std::size_t i = 0; i < floats; ++i) {
    std::uint32_t bits;
    std::memcpy(&bits, &xyz[i], sizeof bits);
    sum = (sum ^ bits) * 1099511628211ULL;
  }
  return sum;
}

std::uint64_t IndexChecksum(const std::uint32_t* indices, std::size_t count) {
  std::uint64_t sum = 1469598103934665603ULL;
  for (std::size_t i = 0; i < count; ++i) sum = (sum ^ indices[i]) * 1099511628211ULL;
  return sum;
}
