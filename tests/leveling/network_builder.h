#pragma once
// Networks built by hand for the tests of the normal equations, the iteration and the listings:
// an AdjustmentRun filled as the reading phases would fill it, and a plain dense least-squares
// solve to judge the profile solver by.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "leveling/adjustment_iteration.h"
#include "leveling/adjustment_run.h"
#include "leveling/normal_equations.h"
#include "leveling/profile_solver.h"
#include "leveling/result_listings.h"
#include "run_support.h"

namespace kvel::testing {

struct Leg {
  std::string from, to;
  double dh;
  double meanError;  // m; weight 1/m^2
};

struct Bench {
  std::string nr;
  double height;
  double meanError = 0;
};

// Fills a run as the reading phases would: the catalogue in order of first appearance in the
// legs, benchmark heights reduced by their mean, every other point at the first benchmark's
// height, neighbour lists in order of first linking, start point 1.
inline void FillRun(AdjustmentRun& run, const std::vector<Leg>& legs, const std::vector<Bench>& benches,
                    double unitMeanError = 0.001) {
  auto index = [&](const std::string& nr) {
    for (int k = 1; k < static_cast<int>(run.pointNr.size()); ++k)
      if (run.pointNr[k] == nr) return k;
    run.pointNr.push_back(nr);
    run.neighbours.emplace_back();
    return static_cast<int>(run.pointNr.size()) - 1;
  };
  auto link = [&](int a, int b) {
    for (int n : run.neighbours[a])
      if (n == b) return;
    run.neighbours[a].push_back(b);
  };
  for (const auto& leg : legs) {
    Observation o;
    o.FromNr = leg.from;
    o.ToNr = leg.to;
    o.DH = leg.dh;
    o.Weight = 1.0 / (leg.meanError * leg.meanError);
    o.From = index(leg.from);
    o.To = index(leg.to);
    link(o.From, o.To);
    link(o.To, o.From);
    run.obs.push_back(o);
  }
  double mean = 0;
  for (const auto& b : benches) mean += b.height;
  if (!benches.empty()) mean /= static_cast<double>(benches.size());
  run.meanBenchHeight = mean;
  run.unitMeanError = unitMeanError;
  const int lp = run.PointCount();
  run.pointHeight.assign(static_cast<std::size_t>(lp) + 1, benches.empty() ? 0.0 : benches[0].height - mean);
  for (const auto& b : benches) {
    BenchmarkRecord rec;
    rec.Nr = b.nr;
    rec.Height = b.height - mean;
    rec.MeanError = b.meanError;
    run.bench.push_back(rec);
    if (b.meanError > 0.0) ++run.benchWithErrorCount;
    for (int k = 1; k <= lp; ++k) {
      if (run.pointNr[k] == b.nr) {
        run.fixedPoint.push_back(k);
        run.fixedMeanError.push_back(b.meanError);
        run.pointHeight[k] = b.height - mean;
      }
    }
  }
  run.startPoint = 1;
}

// The options of the main window: method, accuracy mode, decimals, Mo = 1.
inline AdjustmentOptions Options(int method, int accuracy = 1, int decimals = 4, bool moIsOne = true) {
  AdjustmentOptions o;
  o.Method = static_cast<Method>(method);
  o.AccuracyMode = static_cast<AccuracyMode>(accuracy);
  o.Decimals = decimals;
  o.UnitErrorIsOne = moIsOne;
  return o;
}

// What the phases after the topology leave behind on a run filled by hand.
struct PhaseOutput {
  orvane::RunOutcome outcome = orvane::RunOutcome::Stopped;
  RecordingRunHost host;
  std::vector<std::string> report;   // wyh.osn, UTF-8 lines
  std::vector<std::string> heights;  // h.osn
  std::string heightsBytes;
};

// Numbering and profile, iteration and listings, as the run calls them.
inline void RunLaterPhases(AdjustmentRun& run, PhaseOutput& out) {
  const ScratchFolder folder;
  run.host = &out.host;
  run.report.Create(folder.File("wyh.osn"));
  run.heights.Create(folder.File("h.osn"));
  out.outcome = PrepareNormalEquations(run);
  if (out.outcome == orvane::RunOutcome::Finished) out.outcome = RunIteration(run);
  if (out.outcome == orvane::RunOutcome::Finished) out.outcome = WriteResults(run);
  run.report.Close();
  run.heights.Close();
  out.report = SplitReportLines(folder.Read("wyh.osn"));
  out.heightsBytes = folder.Read("h.osn");
  out.heights = SplitReportLines(out.heightsBytes);
}

// Index of the first report line equal to `text` (or starting with it when `prefix`), -1 if none.
inline int FindLine(const std::vector<std::string>& lines, const std::string& text, bool prefix = false) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (prefix ? lines[i].rfind(text, 0) == 0 : lines[i] == text) return static_cast<int>(i);
  return -1;
}

inline int CountPrefix(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const auto& line : lines)
    if (line.rfind(text, 0) == 0) ++n;
  return n;
}

// Dense Gaussian elimination with partial pivoting in extended precision: A x = b.
inline std::vector<double> DenseSolve(std::vector<std::vector<long double>> a, std::vector<long double> b) {
  const int n = static_cast<int>(b.size());
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[p], a[c]);
    std::swap(b[p], b[c]);
    for (int r = c + 1; r < n; ++r) {
      const long double f = a[r][c] / a[c][c];
      if (f == 0) continue;
      for (int q = c; q < n; ++q) a[r][q] -= f * a[c][q];
      b[r] -= f * b[c];
    }
  }
  std::vector<double> x(n);
  std::vector<long double> xl(n);
  for (int r = n - 1; r >= 0; --r) {
    long double s = b[r];
    for (int q = r + 1; q < n; ++q) s -= a[r][q] * xl[q];
    xl[r] = s / a[r][r];
    x[r] = static_cast<double>(xl[r]);
  }
  return x;
}

// A network with error-free benchmarks as plain least squares sees it: the other points are the
// unknowns (in order of first appearance), and each leg gives H(to) - H(from) = dh with the
// benchmark heights moved to the right side.
struct DenseNetwork {
  DenseNetwork(const std::vector<Leg>& legList, const std::vector<Bench>& benches) : legs(legList) {
    for (const auto& b : benches) known[b.nr] = b.height;
    for (const auto& leg : legs)
      for (const auto* nr : {&leg.from, &leg.to})
        if (!known.count(*nr) && Index(*nr) < 0) unknown.push_back(*nr);
  }

  // The unknown's position, -1 for a benchmark or a stranger.
  int Index(const std::string& nr) const {
    for (std::size_t i = 0; i < unknown.size(); ++i)
      if (unknown[i] == nr) return static_cast<int>(i);
    return -1;
  }
  int UnknownCount() const { return static_cast<int>(unknown.size()); }

  // The normal equations A x = rhs for the given weight of every leg.
  void Normals(const std::vector<long double>& weight, std::vector<std::vector<long double>>& a,
               std::vector<long double>& rhs) const {
    const int n = UnknownCount();
    a.assign(n, std::vector<long double>(n, 0));
    rhs.assign(n, 0);
    for (std::size_t k = 0; k < legs.size(); ++k) {
      const Leg& leg = legs[k];
      const long double p = weight[k];
      long double c = leg.dh;
      const int i = Index(leg.from), j = Index(leg.to);
      if (i < 0) c += known.at(leg.from);
      if (j < 0) c -= known.at(leg.to);
      if (j >= 0) { a[j][j] += p; rhs[j] += p * c; }
      if (i >= 0) { a[i][i] += p; rhs[i] -= p * c; }
      if (i >= 0 && j >= 0) { a[i][j] -= p; a[j][i] -= p; }
    }
  }

  const std::vector<Leg>& legs;
  std::map<std::string, double> known;
  std::vector<std::string> unknown;
};

}  // namespace kvel::testing
