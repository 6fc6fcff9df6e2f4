// The comparison of two epochs of a generated network at the documented limits: 20 000 points,
// 40 000 observations, 200 reference points (h.sta of the first epoch), seed 2026.
//   BM_TwoEpochs/0   epoch 2 the same as epoch 1 (nothing may move)
//   BM_TwoEpochs/1   epoch 2 with planted movements of 0.1 m (10 reference points, 50 object
//                    points), on the same noise: the comparison must find exactly these
// The counters tell what the analysis found: moved points, planted ones found, and the largest
// |d - planted| in units of the displacement's mean error.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "leveling/epochs/epoch_analysis.h"
#include "network_generator.h"

namespace {

constexpr double kMovement = 0.1;  // m

std::string TemporaryFolder(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "_XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  return pattern;
}

struct Epochs {
  std::string first, second, out;
  std::map<std::string, double> planted;
};

const Epochs& Folders(bool moved) {
  static std::map<bool, Epochs> made;
  if (const auto it = made.find(moved); it != made.end()) return it->second;
  kvel::bench::NetworkShape shape;
  shape.points = 20000;
  shape.observations = 40000;
  shape.benchRecords = 200;
  shape.tiedBenchmarks = 200;
  shape.seed = 2026;
  kvel::bench::GeneratedNetwork network = kvel::bench::GenerateNetwork(shape);
  Epochs e{TemporaryFolder("kvel_epoch1"), TemporaryFolder("kvel_epoch2"), TemporaryFolder("kvel_epochs_out"), {}};
  if (!kvel::bench::WriteNetwork(network, e.first)) std::abort();
  if (moved) {
    std::map<int, double> move;
    for (int b = 0; b < 10; ++b) {  // every 20th reference point
      for (std::size_t i = 0; i < network.names.size(); ++i)
        if (network.names[i] == network.benchmarks[static_cast<std::size_t>(20 * b)].nr) move[static_cast<int>(i)] = kMovement;
    }
    for (int k = 0; k < 50; ++k) move[137 + 397 * k] = -kMovement;  // object points spread over the grid
    for (const auto& [i, m] : move) e.planted[network.names[static_cast<std::size_t>(i)]] = m;
    for (auto& o : network.observations) {
      const auto f = move.find(o.from), t = move.find(o.to);
      o.dh += (t != move.end() ? t->second : 0.0) - (f != move.end() ? f->second : 0.0);
    }
  }
  if (!kvel::bench::WriteNetwork(network, e.second)) std::abort();
  std::filesystem::remove(e.second + "/h.sta");  // the reference points are those of epoch 1
  if (made.empty()) std::atexit([] {
    for (const auto& [m, f] : made)
      for (const auto& folder : {f.first, f.second, f.out}) std::filesystem::remove_all(folder);
  });
  return made.emplace(moved, e).first->second;
}

void BM_TwoEpochs(benchmark::State& state) {
  const Epochs& e = Folders(state.range(0) != 0);
  kvel::bench::SilentHost host;
  const kvel::epochs::CongruenceOptions options;
  for (auto _ : state) {
    if (kvel::epochs::RunEpochAnalysis({e.first, e.second}, e.out, options, host) != orvane::RunOutcome::Finished)
      state.SkipWithError("the analysis did not finish");
  }
  // What it found, from przemieszczenia.csv.
  std::ifstream csv(e.out + "/przemieszczenia.csv");
  std::string line;
  std::getline(csv, line);
  int rows = 0, moved = 0, found = 0;
  double worst = 0;
  while (std::getline(csv, line)) {
    std::stringstream s(line);
    std::string field[9];
    for (auto& f : field) std::getline(s, f, ',');
    ++rows;
    const bool isMoved = field[8].rfind('1', 0) == 0;
    moved += isMoved;
    const auto p = e.planted.find(field[2]);
    const double planted = p == e.planted.end() ? 0.0 : p->second;
    if (p != e.planted.end() && isMoved) ++found;
    worst = std::max(worst, std::fabs(std::stod(field[4]) - planted) / std::stod(field[5]));
  }
  state.counters["points"] = rows;
  state.counters["moved"] = moved;
  state.counters["planted"] = static_cast<double>(e.planted.size());
  state.counters["found"] = found;
  state.counters["worst_d_in_md"] = worst;
}
BENCHMARK(BM_TwoEpochs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
