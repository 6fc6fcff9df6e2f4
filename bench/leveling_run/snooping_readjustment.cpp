// Data snooping the slow way, as the judge of kvel's: after every removal the network is adjusted
// afresh, the profile system of the kept observations built, factored and read out by the selected
// inverse; r, w and the worst observation come from that adjustment alone (no rank-one terms, no
// downdates, no groups of observations in series: equal |w| within 1e-9 go to the first). The
// removals are then compared with the column `removed` of the wyh.csv kvel-cli wrote.
//
// Usage: snooping_readjustment FOLDER      (after kvel-cli --folder FOLDER --method lsq)
// Exit status 0 when the removals are the same, in the same order; 1 when they differ.
// Fixed benchmarks only (a benchmark with a mean error is refused): it is what generate_network
// writes. A round costs a factorisation and a selected inverse of the whole profile, so the 20 000
// points of the limits take about an hour.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "leveling/adjustment_iteration.h"
#include "leveling/adjustment_run.h"
#include "leveling/adjustment_statistics.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/network_topology.h"
#include "leveling/normal_equations.h"
#include "leveling/observation_files.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"
#include "leveling/statistics_phase.h"
#include "network_generator.h"

namespace {

// The order of removal kvel wrote: observation indices (1-based, input order) by round.
std::vector<int> RemovalsInCsv(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  std::vector<std::pair<int, int>> byRound;
  for (int k = 1; std::getline(in, line); ++k) {
    std::vector<std::string> fields;
    std::stringstream fieldsOf(line);
    std::string field;
    while (std::getline(fieldsOf, field, ',')) fields.push_back(field);
    if (fields.size() > 7 && fields[7] != "0" && !fields[7].empty()) byRound.push_back({std::stoi(fields[7]), k});
  }
  std::sort(byRound.begin(), byRound.end());
  std::vector<int> order;
  for (const auto& [round, k] : byRound) order.push_back(k);
  return order;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: snooping_readjustment FOLDER\n");
    return 2;
  }
  kvel::bench::SilentHost host;
  kvel::AdjustmentRun run;
  run.workFolder = argv[1];
  run.host = &host;
  run.options.Method = kvel::Method::LeastSquares;
  run.options.AccuracyMode = kvel::AccuracyMode::Simplified;
  // The run's own reports go to scratch files: the folder keeps what kvel-cli wrote.
  const std::string scratch = std::string(argv[1]) + "/.readjustment";
  run.report.Create(scratch + ".osn");
  run.heights.Create(scratch + ".h");
  if (!kvel::ReadObservationFiles(run) || !kvel::ReadBenchmarksAndCatalogue(run) || !kvel::BuildNetworkTopology(run) ||
      kvel::PrepareNormalEquations(run) != orvane::RunOutcome::Finished ||
      kvel::RunIteration(run) != orvane::RunOutcome::Finished) {
    std::fprintf(stderr, "the adjustment of %s stopped\n", argv[1]);
    return 2;
  }
  run.report.Close();
  run.heights.Close();
  std::remove((scratch + ".osn").c_str());
  std::remove((scratch + ".h").c_str());
  const kvel::StatisticsInput in = kvel::CollectStatisticsInput(run);
  for (const kvel::TestedBenchmark& b : in.benchmarks)
    if (!b.fixed) {
      std::fprintf(stderr, "a benchmark with a mean error: not for this judge\n");
      return 2;
    }
  const double critical = kvel::NormalUpperQuantile(run.options.Statistics.Alpha0 / 2);
  kvel::ProfileMatrix& m = run.normal;  // numbered and reserved by the run
  const int lp = m.Order();
  const int count = static_cast<int>(in.obs.size()) - 1;
  std::vector<double> height = in.height;
  height[0] = 0;
  std::vector<char> removed(static_cast<std::size_t>(count) + 1, 0);
  std::vector<int> order;
  for (;;) {
    // A fresh adjustment of the kept observations: one step from the current heights is exact.
    m.Clear();
    for (int k = 1; k <= count; ++k) {
      if (removed[k]) continue;
      const kvel::TestedObservation& o = in.obs[k];
      int a = m.RowOf(o.from), b = m.RowOf(o.to);
      double l = height[o.to] - height[o.from] - o.dh;  // v = dx(to) - dx(from) + l
      if (a > b) std::swap(a, b), l = -l;
      m.AddObservation(a, b, o.weight, l);
    }
    for (const kvel::TestedBenchmark& b : in.benchmarks) m.AddPointWeight(m.RowOf(b.point), b.weight);
    m.FactorAndSolve();
    if (m.DefectRow() != 0) {
      std::fprintf(stderr, "round %zu: the system is singular\n", order.size() + 1);
      return 2;
    }
    for (int i = 1; i <= lp; ++i) height[i] += m.Correction(m.RowOf(i));
    m.Invert(kvel::InverseMethod::Selected);
    int worst = 0;
    double worstW = 0;
    for (int k = 1; k <= count; ++k) {
      if (removed[k]) continue;
      const kvel::TestedObservation& o = in.obs[k];
      const int a = m.RowOf(o.from), b = m.RowOf(o.to);
      const double qa = m.Q(a, a), qb = m.Q(b, b);
      const double r = 1.0 - o.weight * std::max(qa + qb - 2.0 * m.Q(a, b), 0.0);
      if (!(r > kvel::kRedundancyRounding * o.weight * (qa + qb))) continue;
      const double w = (height[o.to] - height[o.from] - o.dh) * std::sqrt(o.weight / r);
      if (std::fabs(w) > critical && (worst == 0 || std::fabs(w) > std::fabs(worstW) * (1 + kvel::kTieTolerance)))
        worst = k, worstW = w;
    }
    if (worst == 0) break;
    removed[worst] = 1;
    order.push_back(worst);
    if (order.size() % 100 == 0) std::fprintf(stderr, "%zu rounds\n", order.size());
  }
  const std::vector<int> kvelOrder = RemovalsInCsv(std::string(argv[1]) + "/wyh.csv");
  std::printf("re-adjustment: %zu removals; kvel: %zu removals\n", order.size(), kvelOrder.size());
  for (std::size_t i = 0; i < std::min(order.size(), kvelOrder.size()); ++i)
    if (order[i] != kvelOrder[i]) {
      std::printf("round %zu differs: re-adjustment removes observation %d, kvel %d\n", i + 1, order[i], kvelOrder[i]);
      return 1;
    }
  if (order.size() != kvelOrder.size()) return 1;
  std::printf("the same removals in the same order\n");
  return 0;
}
