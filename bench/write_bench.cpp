// Writing a one-million-point triangle mesh as a version-9 part into memory.
#include <benchmark/benchmark.h>

#include <cmath>
#include <streambuf>
#include <string>

#include "host/xgeometry.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb09.h"

namespace {

// Appends to one string whose room is kept between runs, so the runs measure
// the writer and not the growth of the buffer.
class AppendBuffer : public std::streambuf {
 public:
  std::string text;

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) text += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    text.append(s, static_cast<std::size_t>(n));
    return n;
  }
};

// A 1000 x 1000 grid over a gently curved surface: real-valued coordinates
// of mixed magnitude, two triangles per grid cell.
void BuildGrid(xGeometry& geometry, int side) {
  auto* mesh = new xTriMesh;
  mesh->SetPointCount(side * side, false);
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i)
      mesh->AddPoint(i * 0.731 - 250.0, j * 0.419 + 12.5, 40.0 * std::sin(i * 0.01) * std::cos(j * 0.013));
  mesh->SetTriangleCount(2 * (side - 1) * (side - 1), false);
  for (int j = 0; j + 1 < side; ++j)
    for (int i = 0; i + 1 < side; ++i) {
      const auto a = static_cast<unsigned>(j * side + i);
      const auto b = a + 1, c = a + static_cast<unsigned>(side), d = c + 1;
      mesh->AddTriangle(a, b, d);
      mesh->AddTriangle(a, d, c);
    }
  geometry.GetContainer()->AddSet(mesh);
}

void WriteTriMeshVersion9(benchmark::State& state) {
  const int side = 1000;
  xGeometry geometry;
  BuildGrid(geometry, side);
  AppendBuffer buffer;
  std::size_t bytes = 0;
  for (auto _ : state) {
    buffer.text.clear();
    xStream stream(&buffer);
    xPdb09 writer;
    benchmark::DoNotOptimize(writer.Write(&stream, &geometry));
    bytes = buffer.text.size();
    benchmark::DoNotOptimize(buffer.text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  state.counters["points/s"] =
      benchmark::Counter(static_cast<double>(side) * side * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(WriteTriMeshVersion9)->Unit(benchmark::kMillisecond);

}  // namespace
