#pragma once
// The adjustment run of a levelling network: its options, the host it reports through, and the
// run-wide tables that one call of RunAdjustment fills phase by phase.
//
// Texts handed to the host and written to the files are Windows-1250 bytes. Tables that the
// phases index by catalogue point or by observation are 1-based: element 0 is unused.
#include <string>
#include <string_view>
#include <vector>

#include "common/point_record.h"
#include "common/run_outcome.h"
#include "common/text_writer.h"
#include "leveling/profile_solver.h"
#include "leveling/statistics_options.h"
#include "leveling/tests_verdict.h"

namespace kvel {

// Capacities of one run; one more of any of them stops the run with its message.
inline constexpr int kMaxObservations = 40000;
inline constexpr int kMaxBenchRecords = 20000;
inline constexpr int kMaxPoints = 20000;
inline constexpr int kMaxNeighbours = 2000;
using orvane::kPointNrLength;

// The principle of the adjustment; the values are the option's documented codes.
enum class Method : int { LeastSquares = 1, Robust = 2 };
// How the mean errors of the residuals are found; the values are the option's documented codes.
enum class AccuracyMode : int {
  Full = 1,        // from the covariance matrix (least squares only)
  Simplified = 2,  // from Otrębski's theorem
};

struct AdjustmentOptions {
  kvel::Method Method = kvel::Method::LeastSquares;
  kvel::AccuracyMode AccuracyMode = kvel::AccuracyMode::Full;
  int Decimals = 4;      // 3, 4 or 5 decimals of the metre values in the listings
  bool UnitErrorIsOne = true;
  StatisticsOptions Statistics;  // levels of the tests written to testy.osn
};

// What the main window (or the terminal, or a test) offers the run.
class AdjustmentHost {
 public:
  virtual ~AdjustmentHost() = default;
  // Replaces MONITOR line `index` (0-based); an index beyond the memo's last line writes nothing.
  virtual void SetMonitorLine(int index, const std::string& text) = 0;
  // A modal message box with OK.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal information box (information icon, OK).
  virtual void ShowInformation(const std::string& text) = 0;
  // Shows the main window's hint " <---- Kliknij panel do edycji".
  virtual void ShowEditHint() = 0;
  // The verdict of the statistical tests, when the run reached them (the terminal ends with it).
  virtual void ReportVerdict(const TestsVerdict&) {}
};

struct Observation {
  std::string FromNr;  // Nr(i), at most 16 characters
  std::string ToNr;    // Nr(j)
  double DH = 0;       // H(j) - H(i) as measured, m
  double Weight = 0;   // a-priori weight p, 1/m^2
  int From = 0;        // catalogue index of Nr(i)
  int To = 0;          // catalogue index of Nr(j)
  bool Reversed = false;  // turned by the iteration: the input file has Nr(j) first and -DH
};

struct BenchmarkRecord {
  std::string Nr;
  double Height = 0;     // as read; after the reduction, minus MeanBenchHeight
  double MeanError = 0;  // from its group end record, else 0
};

// Everything one run owns. Nothing of an earlier run is reused.
struct AdjustmentRun {
  std::string workFolder;
  AdjustmentOptions options;
  AdjustmentHost* host = nullptr;
  orvane::ResultFiles results;  // replaced together at the common exit
  bool statisticsWritten = false;  // testy.osn, wyh.csv and h.csv are among the results
  orvane::TextWriter report;     // wyh.osn
  orvane::TextWriter heights;    // h.osn
  int monitorLine = 0;

  // Observation files (deltah, deltah1).
  std::vector<Observation> obs{1};  // obs[1..ObservationCount()]
  int firstFileObsCount = 0;
  double fileUnitError[2] = {0, 0};  // deltah, deltah1: Mo, or -1 for squared mean errors, 0 if missing
  double unitMeanError = 0;          // fileUnitError[0]

  // Benchmark file and point catalogue.
  std::string benchFilePath;              // h.sta or xyh.sta, the one read
  std::vector<BenchmarkRecord> bench{1};  // bench[1..BenchRecordCount()]
  double meanBenchHeight = 0;
  int benchWithErrorCount = 0;
  std::vector<std::string> pointNr{1};  // pointNr[1..PointCount()], order of first appearance
  std::vector<double> pointHeight{1};   // reduced heights
  std::vector<int> fixedPoint{1};       // fixedPoint[1..FixedPointCount()], catalogue indices
  std::vector<double> fixedMeanError{1};
  std::vector<int> pointFixedIndex{1};  // pointFixedIndex[k]: its index in fixedPoint, 0 for no benchmark

  // Topology.
  std::vector<std::vector<int>> neighbours{1};  // neighbours[k]: distinct neighbours in order of first linking
  int startPoint = 1;

  // Normal equations (rows, profile, factor) and what the iteration hands on to the listings.
  ProfileMatrix normal;
  bool defectFound = false;
  std::vector<double> robustFactor{1};  // robustFactor[1..ObservationCount()]
  double factorSum = 0;
  int unknownCount = 0;  // N = LP - LS
  int redundancy = 0;    // LU = M - N
  double reliabilityIndex = 0, otrebskiP = 0, otrebskiQ = 0;  // z, p, q
  double benchmarkControlSum = 0;
  double finalMo = 1, heightMo = 1;
  // Tests and benchmarks only: the inverse by the quadratic-cost reference routines.
  bool referenceInverse = false;

  // Height of catalogue point i as listed: the reduced height with the mean benchmark height
  // added back (the run's own heights stay reduced).
  double AdjustedHeight(int i) const { return pointHeight[i] + meanBenchHeight; }
  // The height the listings difference: least squares lists the heights with the mean benchmark
  // height added back; robust estimation lists no height and differences the reduced ones.
  double ListedHeight(int i) const {
    return options.Method == kvel::Method::LeastSquares ? AdjustedHeight(i) : pointHeight[i];
  }
  // The adjusted height difference of observation k and its residual v = DHwyr - DHobs, as the
  // listing shows them (after the iteration).
  double AdjustedDifference(int k) const { return ListedHeight(obs[k].To) - ListedHeight(obs[k].From); }
  double Residual(int k) const { return AdjustedDifference(k) - obs[k].DH; }

  int ObservationCount() const { return static_cast<int>(obs.size()) - 1; }
  int BenchRecordCount() const { return static_cast<int>(bench.size()) - 1; }
  int PointCount() const { return static_cast<int>(pointNr.size()) - 1; }
  int FixedPointCount() const { return static_cast<int>(fixedPoint.size()) - 1; }

  // The one way a phase stops the run: the report line, then the information box (both
  // Windows-1250 bytes; the box repeats the line unless given its own text). Always false, for
  // `return run.Stop(...)` in a phase that answers whether the run goes on.
  bool Stop(std::string_view reportLine) { return Stop(reportLine, reportLine); }
  bool Stop(std::string_view reportLine, std::string_view boxText) {
    Report(reportLine);
    host->ShowInformation(std::string(boxText));
    return false;
  }

  // A report line, already in Windows-1250 bytes.
  void Report(std::string_view bytes) { report.Line(bytes); }
  // Replaces MONITOR line `index` (Windows-1250 bytes).
  void Monitor(int index, const std::string& bytes) { host->SetMonitorLine(index, bytes); }
};

// A warning, given once per input file, that `line` of the file at `path` most likely holds a
// decimal comma (orvane::HasDecimalComma): three report lines and an information box. The run
// goes on with the values as read.
void WarnOfDecimalComma(AdjustmentRun& run, const std::string& path, std::string_view line);

// Heights and height differences beyond this many metres are no survey values: bad records.
inline constexpr double kMaxHeightMagnitude = 100000;

// The MONITOR: kMonitorLineCount lines, numbered from 0. Before any run every line is empty but
// line kMonitorBlankLine, which holds one blank; lines kMonitorFirstRunLine..kMonitorLastRunLine
// are emptied before each run (the window and the terminal keep the same layout).
inline constexpr int kMonitorLineCount = 41;
inline constexpr int kMonitorBlankLine = 7;
inline constexpr int kMonitorFirstRunLine = 1;
inline constexpr int kMonitorLastRunLine = 20;

// The start checks of a run, on the presence flags of orvane::KvelPresenceNames() (deltah,
// deltah1, h.sta, xyh.sta): a benchmark file, then an observation file. Empty when the run may
// start, else the message to show (UTF-8): "*** Brak nawiązania sieci" or
// "*** Brak zbioru obserwacyjnego".
std::string_view StartRefusal(const std::vector<int>& presence);

// Reads the working folder's input files, adjusts the network and writes wyh.osn and h.osn.
// Finished only when every phase ran to its end and both result files were written whole;
// Stopped on every error stop (each already reported through the host). The box
// " KONIEC WYRÓWNANIA " is shown after every run.
orvane::RunOutcome RunAdjustment(const std::string& workFolder, const AdjustmentOptions& options,
                                 AdjustmentHost& host);

}  // namespace kvel
