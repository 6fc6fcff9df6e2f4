// Speed of the calculator's tasks on long inputs:
// - the point lists BL -> BLN and BLH_e -> BLH_n.1 on 1 000 000 points, in both frames, the
//   points in survey order (a wandering line, as a traverse or a scan of a sheet gives) and in
//   random order over the whole model (every point a fresh place in the grid);
// - the same BL lists with the points in PL-2000 (each in its zone) instead of degrees, minutes
//   and seconds: the cost of the inverse projection per point;
// - satellite levelling with 100 000 stations and 200 000 vectors.
// Each figure includes reading the input file and writing the result file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "common/line_reader.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/coordinates/point_coordinates.h"
#include "silent_calculator_host.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/point_lists.h"
#include "quasigeoid/satellite_levelling.h"

namespace {

namespace fs = std::filesystem;
using solvanta::ModelGrid;
using solvanta::PointListTask;
using solvanta::ReferenceFrame;

constexpr int kListPoints = 1000000;

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("orvane_quasigeoid_bench_" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

// The shipped default model when it is built, else a smooth synthetic surface.
const ModelGrid& Grid() {
  static ModelGrid grid;
  static const bool ready = [] {
    const std::string shipped = std::string(ORVANE_BIN_DIR) + "/PL-geoid2021.bin";
    if (solvanta::LoadModelGrid(shipped, grid).outcome == solvanta::ModelLoadOutcome::Loaded) return true;
    for (int i = 0; i < solvanta::kGridRows; ++i)
      for (int j = 0; j < solvanta::kGridColumns; ++j)
        grid.At(i, j) = static_cast<std::int32_t>(3000000 + 40000 * std::sin(i * 0.01) + 25000 * std::cos(j * 0.013));
    return true;
  }();
  (void)ready;
  return grid;
}

void WriteAngle(std::FILE* f, double degrees) {
  const int d = static_cast<int>(degrees);
  const double minutes = (degrees - d) * 60;
  const int m = static_cast<int>(minutes);
  std::fprintf(f, " %d %d %.5f", d, m, (minutes - m) * 60);
}

// A list of points with ellipsoidal heights (the BL task ignores the height field), in degrees,
// minutes and seconds or in PL-2000 (x y to the millimetre, the zone from the longitude).
std::string PointList(bool surveyOrder, solvanta::CoordinateForm form = solvanta::CoordinateForm::Dms) {
  const bool plane = form == solvanta::CoordinateForm::Pl2000;
  const fs::path path = Folder() / (std::string(surveyOrder ? "survey" : "random") + (plane ? "_pl2000" : ""));
  if (fs::exists(path)) return path.string();
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> step(-0.002, 0.00205);
  std::uniform_real_distribution<double> lat(49.0, 54.8);
  std::uniform_real_distribution<double> lon(14.2, 24.1);
  std::uniform_real_distribution<double> height(40.0, 900.0);
  double b = 50.0, l = 15.0;
  for (int k = 1; k <= kListPoints; ++k) {
    if (surveyOrder) {
      b += step(random);
      l += step(random);
      if (b > 54.8) b = 49.1;
      if (l > 24.0) l = 14.2;
    } else {
      b = lat(random);
      l = lon(random);
    }
    std::fprintf(f, "P%d", k);
    if (plane) {
      const int zone = std::clamp(static_cast<int>(std::lround(l / 3.0)), 5, 8);
      double x = 0, y = 0;
      solvanta::ToPl2000(b, l, zone, x, y);
      std::fprintf(f, " %.3f %.3f", x, y);
    } else {
      WriteAngle(f, b);
      WriteAngle(f, l);
    }
    std::fprintf(f, " %.4f\r\n", height(random));
  }
  std::fclose(f);
  return path.string();
}

void BM_PointList(benchmark::State& state, PointListTask task, ReferenceFrame frame, bool surveyOrder,
                  solvanta::CoordinateForm form = solvanta::CoordinateForm::Dms) {
  const ModelGrid& grid = Grid();
  const std::string input = PointList(surveyOrder, form);
  const std::string result = (Folder() / "result").string();
  for (auto _ : state) {
    orvane::LineReader reader;
    orvane::TextWriter writer;
    reader.Open(input);
    writer.Create(result);
    const auto status = solvanta::ConvertPointList(task, reader, writer, grid, frame, {}, form);
    if (!status.readOk || !status.writeOk) state.SkipWithError("file error");
  }
  state.SetItemsProcessed(state.iterations() * kListPoints);
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kListPoints,
                                                  benchmark::Counter::kIsRate);
}

// The floor: reading the same list line by line, splitting each line and writing it back.
void BM_CopyListBaseline(benchmark::State& state) {
  const std::string input = PointList(true);
  const std::string result = (Folder() / "result").string();
  orvane::FieldTable fields;
  std::string line;
  for (auto _ : state) {
    orvane::LineReader reader;
    orvane::TextWriter writer;
    reader.Open(input);
    writer.Create(result);
    int count = 0;
    while (reader.ReadLine(line)) {
      orvane::SplitFields(line, fields, count);
      writer.Line(line);
    }
    writer.Close();
  }
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kListPoints,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CopyListBaseline)->Unit(benchmark::kMillisecond);

constexpr auto BL = PointListTask::AnomalyList;
constexpr auto BLHe = PointListTask::EllipsoidalToNormal;
constexpr auto E2000 = ReferenceFrame::Etrf2000;
constexpr auto E89 = ReferenceFrame::Etrf89;

BENCHMARK_CAPTURE(BM_PointList, BL_ETRF2000_survey, BL, E2000, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BLH_e_ETRF2000_survey, BLHe, E2000, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BL_ETRF89_survey, BL, E89, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BLH_e_ETRF89_survey, BLHe, E89, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BL_ETRF2000_random, BL, E2000, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BLH_e_ETRF2000_random, BLHe, E2000, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BL_ETRF89_random, BL, E89, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BLH_e_ETRF89_random, BLHe, E89, false)->Unit(benchmark::kMillisecond);
constexpr auto PL2000 = solvanta::CoordinateForm::Pl2000;
BENCHMARK_CAPTURE(BM_PointList, BL_PL2000_ETRF2000_survey, BL, E2000, true, PL2000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PointList, BL_PL2000_ETRF2000_random, BL, E2000, false, PL2000)->Unit(benchmark::kMillisecond);

// 100 000 stations over the model, 200 000 vectors between random stations (a tenth of the
// numbers entered twice, so the duplicate rule is exercised too).
solvanta::SatelliteLevellingFiles SatelliteFiles() {
  const fs::path grs = Folder() / "blh.grs";
  const fs::path gps = Folder() / "deltah.gps";
  if (!fs::exists(grs)) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> lat(48.5, 55.5);
    std::uniform_real_distribution<double> lon(13.5, 24.5);
    std::FILE* f = std::fopen(grs.string().c_str(), "wb");
    for (int k = 1; k <= 100000; ++k) {
      const int nr = k % 10 == 0 ? k - 1 : k;
      std::fprintf(f, "%d", 3400000 + nr);
      WriteAngle(f, lat(random));
      WriteAngle(f, lon(random));
      std::fprintf(f, " 123.456\r\n");
    }
    std::fclose(f);
    std::uniform_int_distribution<int> station(1, 100000);
    std::uniform_real_distribution<double> dh(-30.0, 30.0);
    f = std::fopen(gps.string().c_str(), "wb");
    for (int k = 1; k <= 200000; ++k)
      std::fprintf(f, "%d %d %.4f 0.00015\r\n", 3400000 + station(random), 3400000 + station(random), dh(random));
    std::fprintf(f, "0 0 0 0\r\n");
    std::fclose(f);
  }
  return {gps.string(), grs.string(), (Folder() / "deltah1").string()};
}

void BM_SatelliteLevelling(benchmark::State& state, ReferenceFrame frame) {
  const ModelGrid& grid = Grid();
  const solvanta::SatelliteLevellingFiles files = SatelliteFiles();
  orvane::FieldTable fields;
  solvanta::StationTable stations;
  solvanta::bench::SilentCalculatorHost host;
  for (auto _ : state) {
    if (solvanta::ConvertSatelliteLevelling(files, frame, grid, fields, stations, host) != orvane::RunOutcome::Finished)
      state.SkipWithError("run did not finish");
  }
  state.counters["vectors/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 200000,
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_SatelliteLevelling, ETRF2000_100k_stations_200k_vectors, E2000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SatelliteLevelling, ETRF89_100k_stations_200k_vectors, E89)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(Folder(), ignored);
  return 0;
}
