// The whole adjustment run on generated networks, and its costly parts on their own:
//   BM_WholeRun/<points>/<method>      RunAdjustment on a working folder, as kvel-cli runs it
//   BM_WholeRunWideProfile             the same at 20 000 points with a profile of 9.5 million
//   BM_SolutionPhases/<points>/<ref>   numbering, iterations and listings after the reading phases
//   BM_Cofactors/<points>/<ref>        the cofactors of the accuracy analysis alone
//   BM_StatisticsPhase/<points>/<snoop> the statistical testing alone (testy.osn, wyh.csv, h.csv),
//                                      after the listings, with data snooping on (1) or off (0)
//   BM_WholeRunWithoutStatistics/<points> the whole run with the testing's phase left out, as the
//                                      run was before it (the testing costs the difference)
// <ref> 1 reads the inverse with the reference routines (one forward substitution per row and per
// observation), 0 with the one-pass selected inverse the run uses.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <map>
#include <memory>
#include <string>

#include "leveling/accuracy_analysis.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/adjustment_run.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/observation_files.h"
#include "leveling/normal_equations.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"
#include "leveling/statistics_phase.h"
#include "common/text_writer.h"
#include "network_generator.h"

namespace {

// One generated working folder per size (observations twice the points, 20 benchmarks), made on
// first use and removed at exit.
const std::string& Folder(int points) {
  static std::map<int, std::string> folders;
  auto it = folders.find(points);
  if (it != folders.end()) return it->second;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvel_run_bench_XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  kvel::bench::NetworkShape shape;
  shape.points = points;
  shape.observations = 2 * points;
  shape.benchRecords = 20;
  shape.seed = 2026;
  if (!kvel::bench::WriteNetwork(kvel::bench::GenerateNetwork(shape), pattern)) std::abort();
  if (folders.empty()) std::atexit([] {
    for (const auto& [n, folder] : folders) std::filesystem::remove_all(folder);
  });
  return folders.emplace(points, pattern).first->second;
}

// A network with a wide profile, within the limits: a chain of 20 000 points and 20 000 further
// legs each reaching up to 700 points ahead (about 9.5 million profile elements), 20 benchmarks.
const std::string& WideFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvel_wide_bench_XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> dh(-1.0, 1.0);
    std::uniform_int_distribution<int> from(1, 19999), reach(1, 700);
    orvane::TextWriter deltah;
    if (!deltah.Create(pattern + "/deltah")) std::abort();
    char line[96];
    for (int k = 1; k < 20000; ++k) {
      std::snprintf(line, sizeof line, "P%d P%d %.4f 1.0", k, k + 1, dh(rng));
      deltah.Line(line);
    }
    for (int j = 0; j < 20000; ++j) {
      const int k = from(rng);
      const int m = std::min(20000, k + reach(rng));
      std::snprintf(line, sizeof line, "P%d P%d %.4f 1.0", k, m, dh(rng));
      deltah.Line(line);
    }
    deltah.Line("0 0 0.0010 0");
    orvane::TextWriter hsta;
    if (!hsta.Create(pattern + "/h.sta")) std::abort();
    for (int k = 1; k <= 20000; k += 1000) {
      std::snprintf(line, sizeof line, "P%d 100.0", k);
      hsta.Line(line);
    }
    hsta.Line("0 0");
    if (!deltah.Close() || !hsta.Close()) std::abort();
    std::atexit([] { std::filesystem::remove_all(WideFolder()); });
    return pattern;
  }();
  return folder;
}

kvel::AdjustmentOptions Options(int method) {
  kvel::AdjustmentOptions options;
  options.Method = static_cast<kvel::Method>(method);
  options.AccuracyMode = kvel::AccuracyMode::Full;
  options.Decimals = 4;
  options.UnitErrorIsOne = false;
  return options;
}

void BM_WholeRun(benchmark::State& state) {
  const std::string& folder = Folder(static_cast<int>(state.range(0)));
  kvel::bench::SilentHost host;
  for (auto _ : state) {
    if (kvel::RunAdjustment(folder, Options(static_cast<int>(state.range(1))), host) != orvane::RunOutcome::Finished)
      state.SkipWithError("the run stopped");
  }
}
BENCHMARK(BM_WholeRun)->Args({2000, 1})->Args({20000, 1})->Args({20000, 2})->Unit(benchmark::kMillisecond);

void BM_WholeRunWideProfile(benchmark::State& state) {
  kvel::bench::SilentHost host;
  for (auto _ : state) {
    if (kvel::RunAdjustment(WideFolder(), Options(1), host) != orvane::RunOutcome::Finished)
      state.SkipWithError("the run stopped");
  }
}
BENCHMARK(BM_WholeRunWideProfile)->Unit(benchmark::kMillisecond);

// A run read up to the topology, ready for the solution phases.
struct ReadRun {
  kvel::bench::SilentHost host;
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
    state.counters["profile"] = static_cast<double>(r->run.normal.ReservedElementCount());
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

void BM_StatisticsPhase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<ReadRun>(static_cast<int>(state.range(0)), false);
    r->run.options.Statistics.Snooping = state.range(1) != 0;
    if (kvel::PrepareNormalEquations(r->run) != orvane::RunOutcome::Finished ||
        kvel::RunIteration(r->run) != orvane::RunOutcome::Finished ||
        kvel::WriteResults(r->run) != orvane::RunOutcome::Finished)
      std::abort();
    state.ResumeTiming();
    if (!kvel::RunStatisticalTests(r->run)) state.SkipWithError("a file was not written");
    state.PauseTiming();
    r.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StatisticsPhase)->Args({2000, 1})->Args({20000, 0})->Args({20000, 1})->Unit(benchmark::kMillisecond);

// The run's phases in their order, as RunAdjustment calls them, without the statistical testing.
void BM_WholeRunWithoutStatistics(benchmark::State& state) {
  for (auto _ : state) {
    auto r = std::make_unique<ReadRun>(static_cast<int>(state.range(0)), false);
    const bool ok = kvel::PrepareNormalEquations(r->run) == orvane::RunOutcome::Finished &&
                    kvel::RunIteration(r->run) == orvane::RunOutcome::Finished &&
                    kvel::WriteResults(r->run) == orvane::RunOutcome::Finished;
    if (!ok) state.SkipWithError("a phase stopped");
    r.reset();
  }
}
BENCHMARK(BM_WholeRunWithoutStatistics)->Args({20000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
