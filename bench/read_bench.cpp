// Reading a one-million-point version-9 part from memory.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <streambuf>
#include <string>

#include "host/xgeometry.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb09.h"

namespace {

// Reads straight from the generated text, so no run pays for a copy of it.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(const std::string& text) {
    char* begin = const_cast<char*>(text.data());
    setg(begin, begin, begin + text.size());
  }
};

// One object: a side x side grid of points over a curved surface, with
// coordinates as "%g" writes them, and one quad per grid cell.
std::string GridPart(int side) {
  std::string text = "9\n0\n0\n0\n1\n7\n" + std::to_string(side * side) + "\n";
  char line[96];
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      std::snprintf(line, sizeof line, "%g %g %g\n", i * 0.731 - 250.0, j * 0.419 + 12.5,
                    40.0 * std::sin(i * 0.01) * std::cos(j * 0.013));
      text += line;
    }
  text += "0\n" + std::to_string((side - 1) * (side - 1)) + "\n";
  for (int j = 0; j + 1 < side; ++j)
    for (int i = 0; i + 1 < side; ++i) {
      const int a = j * side + i;
      std::snprintf(line, sizeof line, "4 %d %d %d %d\n", a, a + 1, a + side + 1, a + side);
      text += line;
    }
  return text + "0\n";
}

void BM_ReadVersion9Grid(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const std::string text = GridPart(side);
  int triangles = 0;
  for (auto _ : state) {
    ViewBuffer buffer(text);
    xStream stream(&buffer);
    auto geometry = std::make_unique<xGeometry>();
    xGeometry* pointer = geometry.get();
    if (xPdb09().Read(&stream, &pointer) != 0) {
      state.SkipWithError("read failed");
      break;
    }
    triangles = static_cast<xTriMesh*>(geometry->GetContainer()->GetSet(0))->GetTriangleCount();
    state.PauseTiming();
    geometry.reset();
    state.ResumeTiming();
  }
  const double points = static_cast<double>(side) * side;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["points/s"] = benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["triangles"] = triangles;
  state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadVersion9Grid)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
