// Reading and reducing 1 000 000 raw lines (DiNi M5 and GSI-8, half each), and the misclosures of
// a network at the limits (20 000 points, 40 000 observations).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "leveling/field/raw_level.h"
#include "leveling/field/reduction.h"
#include "leveling/misclosures/network_misclosures.h"
#include "level_raw/raw_generator.h"
#include "network_generator.h"

namespace {

// Writes a raw file of about `lines` lines: lines of 20 sections of 4 set-ups each.
std::string MakeRawFile(orvane::rawgen::RawWriter::Format format, int lines, const std::string& name) {
  orvane::rawgen::RawWriter writer(format, 7);
  int line = 0;
  while (writer.lines < lines) {
    std::vector<orvane::rawgen::Station> stations;
    for (int s = 0; s <= 20; ++s) stations.push_back({"R" + std::to_string(line) + "_" + std::to_string(s), 100 + 0.01 * s});
    writer.Line(stations, 4);
    ++line;
  }
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary) << writer.text;
  return path;
}

void BM_ReadAndReduceMillionLines(benchmark::State& state) {
  static const std::string m5 = MakeRawFile(orvane::rawgen::RawWriter::Format::M5, 500000, "orvane_bench_raw.dat");
  static const std::string gsi = MakeRawFile(orvane::rawgen::RawWriter::Format::Gsi8, 500000, "orvane_bench_raw.gsi");
  std::size_t sections = 0;
  for (auto _ : state) {
    std::vector<kvel::field::RawFile> files(2);
    kvel::field::ReadError error;
    if (!kvel::field::ReadRawFile(m5, files[0], error) || !kvel::field::ReadRawFile(gsi, files[1], error)) {
      state.SkipWithError(error.message.c_str());
      return;
    }
    kvel::field::SectionRules rules;
    rules.turningPoints = "[0-9]+";
    kvel::field::Reduction reduction;
    std::string message;
    kvel::field::Reduce(files, rules, reduction, message);
    sections = reduction.sections.size();
  }
  state.counters["sections"] = static_cast<double>(sections);
}
BENCHMARK(BM_ReadAndReduceMillionLines)->Unit(benchmark::kMillisecond);

void BM_MisclosuresAtTheLimits(benchmark::State& state) {
  kvel::bench::NetworkShape shape;
  shape.points = 20000;
  shape.observations = 40000;
  shape.seed = 2026;
  const kvel::bench::GeneratedNetwork network = kvel::bench::GenerateNetwork(shape);
  std::vector<kvel::misclosures::Edge> edges;
  for (const auto& o : network.observations) edges.push_back({o.from, o.to, o.dh, o.lengthKm});
  std::vector<std::pair<int, double>> benchmarks;
  for (const auto& b : network.benchmarks)
    for (std::size_t p = 0; p < network.names.size(); ++p)
      if (network.names[p] == b.nr) benchmarks.emplace_back(static_cast<int>(p), b.height);
  std::size_t loops = 0;
  for (auto _ : state) {
    const auto m = kvel::misclosures::FindMisclosures(static_cast<int>(network.names.size()), edges, benchmarks);
    loops = m.loops.size();
    if (state.range(0)) {
      orvane::TextWriter out;
      out.Create((std::filesystem::temp_directory_path() / "orvane_bench_zamkniecia.osn").string());
      kvel::misclosures::WriteMisclosureReport(out, m, network.names, static_cast<int>(edges.size()), 2.0, true);
      out.Close();
    }
  }
  state.counters["loops"] = static_cast<double>(loops);
}
BENCHMARK(BM_MisclosuresAtTheLimits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
