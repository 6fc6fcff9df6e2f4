#pragma once
// A deterministic generator of large levelling networks for benchmarks: a grid of points with
// diagonals and levelling lines (chains of intermediate points) between grid points, realistic
// lowland heights and line lengths, height differences consistent with the true heights plus
// normally distributed noise of mo * sqrt(L).
#include <cstdint>
#include <string>
#include <vector>

#include "leveling/adjustment_run.h"

namespace kvel::bench {

struct NetworkShape {
  int points = 1000;          // points of the network
  int observations = 2000;    // observations; more when fewer cannot connect the points
  int benchRecords = 20;      // records of h.sta
  int tiedBenchmarks = 0;     // records that are network points (0: one per 100 points, at least 2)
  std::uint64_t seed = 1;
  double unitError = 0.0010;  // mo in m per sqrt(km): the end record's value and the noise scale
};

struct GeneratedObservation {
  int from = 0;  // indices into GeneratedNetwork::names
  int to = 0;
  double dh = 0;      // m
  double lengthKm = 0;
};

struct GeneratedBenchmark {
  std::string nr;
  double height = 0;
};

struct GeneratedNetwork {
  std::vector<std::string> names;
  std::vector<double> heights;  // true heights, m
  std::vector<GeneratedObservation> observations;
  std::vector<GeneratedBenchmark> benchmarks;  // h.sta records, in file order
  double unitError = 0.0010;
};

GeneratedNetwork GenerateNetwork(const NetworkShape& shape);

// Writes "deltah" (with the end record 0 0 mo 0) and "h.sta" (closed by 0 0: fixed) into
// `folder`, Windows-1250 text with CR LF. False when a file cannot be written.
bool WriteNetwork(const GeneratedNetwork& network, const std::string& folder);

// A host that shows nothing, for timing the run without a window.
class SilentHost : public AdjustmentHost {
 public:
  void SetMonitorLine(int, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void ShowInformation(const std::string&) override {}
  void ShowEditHint() override {}
};

}  // namespace kvel::bench
