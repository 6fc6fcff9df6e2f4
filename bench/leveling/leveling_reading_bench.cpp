// The reading phases of kvel at full capacity: 40 000 observations over 20 000 points and
// 20 000 benchmark records. Reading the observations, the benchmark file with the point catalogue
// and the neighbour lists must stay linear in the input.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <filesystem>
#include <string>

#include "leveling/adjustment_run.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/observation_files.h"
#include "network_generator.h"

namespace {

// The generated working folder, made once for all benchmarks and removed at exit.
const std::string& Folder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvel_bench_XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    kvel::bench::NetworkShape shape;
    shape.points = 20000;
    shape.observations = 40000;
    shape.benchRecords = 20000;
    shape.tiedBenchmarks = 200;
    shape.seed = 2026;
    if (!kvel::bench::WriteNetwork(kvel::bench::GenerateNetwork(shape), pattern)) std::abort();
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return pattern;
  }();
  return folder;
}

struct Run {
  kvel::bench::SilentHost host;
  kvel::AdjustmentRun run;
  Run() {
    run.workFolder = Folder();
    run.host = &host;
    run.report.Create(Folder() + "/wyh.osn");
  }
};

void BM_ObservationFiles(benchmark::State& state) {
  for (auto _ : state) {
    Run r;
    if (!kvel::ReadObservationFiles(r.run)) state.SkipWithError("observations not read");
    benchmark::DoNotOptimize(r.run.obs.data());
  }
}
BENCHMARK(BM_ObservationFiles)->Unit(benchmark::kMillisecond);

void BM_BenchmarksAndCatalogue(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<Run>();
    kvel::ReadObservationFiles(r->run);
    state.ResumeTiming();
    if (!kvel::ReadBenchmarksAndCatalogue(r->run)) state.SkipWithError("catalogue not built");
    state.PauseTiming();
    r.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BenchmarksAndCatalogue)->Unit(benchmark::kMillisecond);

void BM_NetworkTopology(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<Run>();
    kvel::ReadObservationFiles(r->run);
    kvel::ReadBenchmarksAndCatalogue(r->run);
    state.ResumeTiming();
    if (!kvel::BuildNetworkTopology(r->run)) state.SkipWithError("topology stopped");
    state.PauseTiming();
    r.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_NetworkTopology)->Unit(benchmark::kMillisecond);

// The three phases together, as a run does them.
void BM_ReadingPhases(benchmark::State& state) {
  for (auto _ : state) {
    Run r;
    const bool ok = kvel::ReadObservationFiles(r.run) && kvel::ReadBenchmarksAndCatalogue(r.run) &&
                    kvel::BuildNetworkTopology(r.run);
    if (!ok) state.SkipWithError("a phase stopped");
    state.counters["points"] = r.run.PointCount();
    state.counters["observations"] = r.run.ObservationCount();
    state.counters["benchRecords"] = r.run.BenchRecordCount();
  }
}
BENCHMARK(BM_ReadingPhases)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
