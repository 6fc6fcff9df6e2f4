// Per-point cost of the interpolation (the point-list tasks call it once per record) and the
// cost of loading a shipped model (grid file and record), which must stay under 50 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "quasigeoid/interpolation.h"
#include "quasigeoid/model_grid.h"

namespace {

using namespace solvanta;

const std::string kModelPath = std::string(ORVANE_BIN_DIR) + "/PL-geoid2021.bin";
// A model with nodata nodes (onshore Poland only).
const std::string kPartialModelPath = std::string(ORVANE_BIN_DIR) + "/PL-geoid2011-KRON86.bin";

const ModelGrid& LoadedGrid() {
  static ModelGrid& grid = [] () -> ModelGrid& {
    ModelGrid& g = ProgramModelGrid();
    if (LoadModelGrid(kModelPath, g).outcome != ModelLoadOutcome::Loaded) std::fprintf(stderr, "no model grid\n");
    return g;
  }();
  return grid;
}

// Points scattered over the model's area, as a list of surveyed points would be.
const std::vector<GeodeticPoint>& Points() {
  static const std::vector<GeodeticPoint> points = [] {
    std::vector<GeodeticPoint> v;
    std::mt19937 random(1);
    std::uniform_int_distribution<int> bDeg(48, 55), lDeg(13, 24), minutes(0, 59);
    std::uniform_real_distribution<double> seconds(0.0, 60.0);
    for (int k = 0; k < 4096; ++k) {
      v.push_back({bDeg(random), minutes(random), seconds(random), lDeg(random), minutes(random), seconds(random)});
    }
    return v;
  }();
  return points;
}

template <ReferenceFrame Frame, bool WithDeflections>
void BM_PointN(benchmark::State& state) {
  const ModelGrid& grid = LoadedGrid();
  const auto& points = Points();
  std::size_t k = 0;
  for (auto _ : state) {
    const GeodeticPoint& p = points[k++ & 4095];
    GridPosition pos;
    if (LocateCell(p, EdgeClamping::On, pos) && CellHasData(grid, pos)) {
      Real n = AnomalyAt(grid, pos, Frame, p);
      benchmark::DoNotOptimize(n);
      if constexpr (WithDeflections) {
        Deflections d = DeflectionsAt(grid, pos, kAnomalyListLimits);
        benchmark::DoNotOptimize(d);
      }
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_PointN<ReferenceFrame::Etrf2000, false>)->Name("N/PL-ETRF2000");
BENCHMARK(BM_PointN<ReferenceFrame::Etrf2000, true>)->Name("N+deflections/PL-ETRF2000");
BENCHMARK(BM_PointN<ReferenceFrame::Etrf89, false>)->Name("N/PL-ETRF89");
BENCHMARK(BM_PointN<ReferenceFrame::Etrf89, true>)->Name("N+deflections/PL-ETRF89");

void BM_LoadModelGrid(benchmark::State& state, const std::string& path) {
  ModelGrid& grid = ProgramModelGrid();
  long steps = 0;
  for (auto _ : state) {
    const ModelLoadResult r = LoadModelGrid(path, grid, [&steps](int n) { steps += n; });
    if (r.outcome != ModelLoadOutcome::Loaded) state.SkipWithError("the model is not built");
    benchmark::DoNotOptimize(r.outcome);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kModelFileSize));
}
BENCHMARK_CAPTURE(BM_LoadModelGrid, PL_geoid2021, kModelPath)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadModelGrid, PL_geoid2011_KRON86, kPartialModelPath)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
