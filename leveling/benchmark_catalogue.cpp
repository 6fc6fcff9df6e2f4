#include "leveling/benchmark_catalogue.h"

#include <cmath>
#include <string_view>
#include <unordered_map>

#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "common/work_folder.h"
#include "leveling/messages.h"

namespace kvel {

namespace {

using orvane::FixedField;
using orvane::IntegerField;
using orvane::ToCp1250;


// Reads h.sta (Nr H) or else xyh.sta (Nr X Y H) into the benchmark table with the mean errors of
// their groups. False when the run must stop.
bool ReadBenchmarkFile(AdjustmentRun& run) {
  const std::string hsta = orvane::StandardFilePath(run.workFolder, "h.sta");
  const std::string xyhsta = orvane::StandardFilePath(run.workFolder, "xyh.sta");
  const bool withCoordinates = !orvane::FileExists(hsta) && orvane::FileExists(xyhsta);
  run.benchFilePath = withCoordinates ? xyhsta : hsta;
  orvane::LineReader reader;
  if (!orvane::FileExists(run.benchFilePath)) {
    const std::string text = ToCp1250(messages::kNoBenchmarkFile);
    run.host->ShowInformation(text);
    run.Report(text);
    return false;
  }
  // A file that is there but cannot be read (no permission, a FIFO, a read error) is told as such.
  const std::string cannotRead = ToCp1250(messages::kCannotRead) + orvane::PathText(run.benchFilePath);
  if (!reader.Open(run.benchFilePath)) return run.Stop(cannotRead, cannotRead);
  const int heightField = withCoordinates ? 4 : 2;

  run.bench.reserve(1024);
  int groupStart = 1;
  orvane::FieldTable fields;
  int count = 0;
  std::string line;
  bool commaWarned = false;
  while (reader.ReadLine(line)) {
    orvane::SplitFields(line, fields, count);
    if (count < 2) continue;
    double height = 0;
    bool good = orvane::ParseNumber(fields[heightField], height);
    // A benchmark more than 100 km above or below the sea is no survey value: a bad record.
    if (fields[1] != "0" && std::fabs(height) > kMaxHeightMagnitude) good = false;
    for (int f = 2; good && f < heightField; ++f) {
      double coordinate = 0;  // X and Y are read and not used
      good = orvane::ParseNumber(fields[f], coordinate);
    }
    if (!good) {
      const std::string text =
          ToCp1250(messages::kBenchmarkRecordError) + line + orvane::RecordPlace(run.benchFilePath, reader.LineNumber());
      run.Report(text);
      run.host->ShowMessage(text);
      return false;
    }
    if (!commaWarned && (withCoordinates ? orvane::HasDecimalComma(line, {2, 3, 4})
                                         : orvane::HasDecimalComma(line, {2}))) {
      WarnOfDecimalComma(run, run.benchFilePath, line);
      commaWarned = true;
    }
    if (height == -1) continue;
    if (fields[1] == "0") {
      double groupError = height;
      if (groupError > 1 || groupError < -1) {
        run.Report(" ** ZIDENTYFIKOWANO Mh nawiazania = " + orvane::Scientific23(groupError));
        run.Report(ToCp1250(messages::kPossibleFormalError) + orvane::PathText(run.benchFilePath));
        run.Report("    skorygowano na  Mh=0.000 (const.)");
        groupError = 0;
      }
      for (int b = groupStart; b <= run.BenchRecordCount(); ++b)
        run.bench[static_cast<std::size_t>(b)].MeanError = groupError;
      groupStart = run.BenchRecordCount() + 1;
      continue;
    }
    if (run.BenchRecordCount() + 1 > kMaxBenchRecords)
      return run.Stop(ToCp1250(messages::kTooManyBenchmarkRecords), ToCp1250(messages::kTooManyBenchmarkRecordsBox));
    BenchmarkRecord& record = run.bench.emplace_back();
    record.Nr = fields[1].substr(0, kPointNrLength);
    record.Height = height;
    record.MeanError = 0;  // an unclosed last group is fixed
  }
  if (reader.Failed()) return run.Stop(cannotRead, cannotRead);
  reader.Close();
  return true;
}

void WriteBenchmarkListing(AdjustmentRun& run) {
  run.Report(" ");
  run.Report(std::string(76, '-'));
  run.Report(ToCp1250("  KONTROLNY WYKAZ WYSOKOŚCI NAWIĄZANIA  I BŁEDÓW SREDNICH"));
  run.Report("           Nr(i)          H(i)     m(H)      lp");
  const int decimals = run.options.Decimals;
  run.benchWithErrorCount = 0;
  std::string row;
  for (int b = 1; b <= run.BenchRecordCount(); ++b) {
    const BenchmarkRecord& record = run.bench[static_cast<std::size_t>(b)];
    row.clear();
    orvane::AppendRightAligned(row, record.Nr, 16);
    row += ' ';
    orvane::AppendFixedField(row, record.Height, 13, decimals);
    row += ' ';
    orvane::AppendFixedField(row, record.MeanError, 8, decimals);
    orvane::AppendIntegerField(row, b, 8);
    run.Report(row);
    if (record.MeanError > 0) ++run.benchWithErrorCount;
  }
  run.Report(" ");
  run.Report(ToCp1250("  Liczba danych punktów nawiązania = ") + IntegerField(run.BenchRecordCount()));
}

// Point numbers in order of first appearance, Nr(i) before Nr(j). A hash index keeps the lookup
// constant-time; the catalogue order is that of the table alone.
bool BuildCatalogue(AdjustmentRun& run) {
  std::unordered_map<std::string_view, int> index;
  index.reserve(static_cast<std::size_t>(run.ObservationCount()) + 16);
  run.pointNr.reserve(static_cast<std::size_t>(kMaxPoints) + 1);  // views into it must stay valid
  auto lookup = [&](const std::string& nr, int& catalogueIndex) {
    if (const auto found = index.find(nr); found != index.end()) {
      catalogueIndex = found->second;
      return true;
    }
    if (run.PointCount() + 1 > kMaxPoints)
      return run.Stop(ToCp1250(messages::kTooManyPoints), ToCp1250(messages::kTooManyPointsBox));
    run.pointNr.push_back(nr);
    catalogueIndex = run.PointCount();
    index.emplace(run.pointNr.back(), catalogueIndex);
    return true;
  };
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    Observation& obs = run.obs[static_cast<std::size_t>(k)];
    if (!lookup(obs.FromNr, obs.From) || !lookup(obs.ToNr, obs.To)) return false;
  }
  return true;
}

// Gives every catalogue point its starting height and makes the points that are benchmarks fixed
// points; the first record of a number decides.
void MatchBenchmarks(AdjustmentRun& run) {
  std::unordered_map<std::string_view, int> firstRecord;
  firstRecord.reserve(static_cast<std::size_t>(run.BenchRecordCount()) + 16);
  for (int b = 1; b <= run.BenchRecordCount(); ++b)
    firstRecord.emplace(run.bench[static_cast<std::size_t>(b)].Nr, b);  // keeps the first of equal numbers

  const int points = run.PointCount();
  run.pointHeight.assign(static_cast<std::size_t>(points) + 1, 0.0);
  run.pointFixedIndex.assign(static_cast<std::size_t>(points) + 1, 0);
  run.fixedPoint.assign(1, 0);
  run.fixedMeanError.assign(1, 0.0);
  const double firstHeight = run.bench[1].Height;
  for (int k = 1; k <= points; ++k) {
    run.pointHeight[static_cast<std::size_t>(k)] = firstHeight;
    const auto found = firstRecord.find(run.pointNr[static_cast<std::size_t>(k)]);
    if (found == firstRecord.end()) continue;
    const BenchmarkRecord& record = run.bench[static_cast<std::size_t>(found->second)];
    run.fixedPoint.push_back(k);
    run.fixedMeanError.push_back(record.MeanError);
    run.pointFixedIndex[static_cast<std::size_t>(k)] = run.FixedPointCount();
    run.pointHeight[static_cast<std::size_t>(k)] = record.Height;
  }
}

}  // namespace

bool ReadBenchmarksAndCatalogue(AdjustmentRun& run) {
  if (!ReadBenchmarkFile(run)) return false;
  WriteBenchmarkListing(run);
  run.monitorLine = 2;
  run.Monitor(2, ToCp1250(" Liczba danych punktów stałych = ") + IntegerField(run.BenchRecordCount()));
  if (run.BenchRecordCount() == 0)
    return run.Stop(ToCp1250(messages::kNoFixedPoints), ToCp1250(messages::kNoFixedPointsBox));

  // All heights of the adjustment are reduced to the mean of the benchmark heights.
  double sum = 0;
  for (int b = 1; b <= run.BenchRecordCount(); ++b) sum += run.bench[static_cast<std::size_t>(b)].Height;
  run.meanBenchHeight = sum / run.BenchRecordCount();
  for (int b = 1; b <= run.BenchRecordCount(); ++b) run.bench[static_cast<std::size_t>(b)].Height -= run.meanBenchHeight;

  if (!BuildCatalogue(run)) return false;
  MatchBenchmarks(run);

  run.Report(ToCp1250("  Liczba zidentyfikowanych punktów sieci LP =") + IntegerField(run.PointCount()));
  run.Report(ToCp1250("    w tym liczba punktów nawiązania      LS =") + IntegerField(run.FixedPointCount()));
  run.monitorLine = 4;
  run.Monitor(3, ToCp1250(" Liczba wszystkich punktów sieci = ") + IntegerField(run.PointCount()));
  run.Monitor(4, ToCp1250(" Liczba punktów stałych  w sieci = ") + IntegerField(run.FixedPointCount()));
  if (run.FixedPointCount() == 0)
    return run.Stop(ToCp1250(messages::kNoTieToBenchmarks), ToCp1250(messages::kNoTieToBenchmarksBox));
  return true;
}

}  // namespace kvel
