// The whole adjustment run on generated networks, and its costly parts on their own:
//   BM_WholeRun/<points>/<method>      RunAdjustment on a working folder, as kvel-cli runs it
//   BM_SolutionPhases/<points>/<ref>   numbering, iterations and listings after the reading phases
//   BM_Cofactors/<points>/<ref>        the cofactors of the accuracy analysis alone
// <ref> 1 reads the inverse with the reference routines (one forward substitution per row and per
// observation), 0 with the one-pass selected inverse the run uses.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "leveling/accuracy_analysis.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/adjustment_run.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/observation_files.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"
#include "network_generator.h"

namespace {

class NullHost : public kvel::AdjustmentHost {
 public:
  void SetMonitorLine(int, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void ShowInformation(const std::string&) override {}
  void ShowEditHint() override {}
};

// One generated working folder per size (observations twice the points, 20 benchmarks), made on
// first use and removed at exit.
const std::string& Folder(int points) {
  static std::map<int, std::string> folders;
  auto it = folders.find(points);
  if (it != folders.end()) return it->second;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvel_run_bench_XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  kvel::bench::NetworkSpec spec;
  spec.points = points;
  spec.observations = 2 * points;
  spec.benchRecords = 20;
  spec.seed = 2026;
  if (!kvel::bench::WriteNetwork(kvel::bench::GenerateNetwork(spec), pattern)) std::abort();
  if (folders.empty()) std::atexit([] {
    for (const auto& [n, folder] : folders) std::filesystem::remove_all(folder);
  });
  return folders.emplace(points, pattern).first->second;
}

kvel::AdjustmentOptions Options(int method) {
  kvel::AdjustmentOptions options;
  options.Method = method;
  options.AccuracyMode = 1;
  options.Decimals = 4;
  options.UnitErrorIsOne = false;
  return options;
}

void BM_WholeRun(benchmark::State& state) {
  const std::string& folder = Folder(static_cast<int>(state.range(0)));
  NullHost host;
  for (auto _ : state) {
    if (kvel::RunAdjustment(folder, Options(static_cast<int>(state.range(1))), host) != orvane::RunOutcome::Finished)
      state.SkipWithError("the run stopped");
  }
}
BENCHMARK(BM_WholeRun)->Args({2000, 1})->Args({20000, 1})->Args({20000, 2})->Unit(benchmark::kMillisecond);

// A run read up to the topology, ready for the solution phases.
struct ReadRun {
  NullHost host;
  kvel::AdjustmentRun run;
  explicit ReadRun(int points, bool reference) {
    run.workFolder = Folder(points);
    run.host = &host;
    run.options = Options(1);
    run.referenceInverse = reference;
    run.report.Create(run.workFolder + "/wyh.osn");
    run.heights.Create(run.workFolder + "/h.osn");
    if (!kvel::ReadObservationFiles(run) || !kvel::ReadBenchmarksAndCatalogue(run) || !kvel::BuildNetworkTopology(run))
      std::abort();
  }
};

void BM_SolutionPhases(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<ReadRun>(static_cast<int>(state.range(0)), state.range(1) != 0);
    state.ResumeTiming();
    const bool ok = kvel::PrepareNormalEquations(r->run) == orvane::RunOutcome::Finished &&
                    kvel::RunIteration(r->run) == orvane::RunOutcome::Finished &&
                    kvel::WriteResults(r->run) == orvane::RunOutcome::Finished;
    if (!ok) state.SkipWithError("a phase stopped");
    state.counters["profile"] = static_cast<double>(r->run.normal.reservedElementCount);
    state.PauseTiming();
    r.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SolutionPhases)->Args({2000, 0})->Args({2000, 1})->Args({20000, 0})->Unit(benchmark::kMillisecond);

void BM_Cofactors(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<ReadRun>(static_cast<int>(state.range(0)), state.range(1) != 0);
    if (kvel::PrepareNormalEquations(r->run) != orvane::RunOutcome::Finished ||
        kvel::RunIteration(r->run) != orvane::RunOutcome::Finished)
      std::abort();
    kvel::AccuracyAnalysis accuracy(r->run);
    state.ResumeTiming();
    if (!accuracy.HeightMeanErrors()) state.SkipWithError("not finite");
    state.PauseTiming();
    r.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Cofactors)->Args({2000, 0})->Args({2000, 1})->Args({20000, 0})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
