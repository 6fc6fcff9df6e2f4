#include "leveling/epochs/epoch_network.h"

#include <algorithm>
#include <cmath>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/benchmark_catalogue.h"
#include "leveling/epochs/epoch_messages.h"
#include "leveling/network_topology.h"
#include "leveling/normal_equations.h"
#include "leveling/observation_files.h"

namespace kvel::epochs {

namespace {

using orvane::ToCp1250;

// The normal equations of the epoch with one point held (a datum of its own), factored and
// solved; false when they are singular or overflow.
bool SolveFreeNetwork(AdjustmentRun& run) {
  ProfileMatrix& normal = run.normal;
  normal.Clear();
  double largestWeight = 0;
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const Observation& o = run.obs[static_cast<std::size_t>(k)];
    const int a = normal.RowOf(o.From);
    const int b = normal.RowOf(o.To);
    // v = h(to) - h(from) - DH, the unknowns being the heights themselves.
    if (a < b) normal.AddObservation(a, b, o.Weight, -o.DH);
    else normal.AddObservation(b, a, o.Weight, o.DH);
    largestWeight = std::max(largestWeight, o.Weight);
  }
  // The last row of the numbering is held at height 0 by a weight like the observations': with one
  // condition for the one defect of a levelling network the residuals and [pvv] are those of the
  // free network.
  normal.AddPointWeight(normal.Order(), largestWeight);
  bool defect = false;
  normal.FactorAndSolve([&](int) { defect = true; });
  return !defect && normal.FactorIsFinite() && std::isfinite(normal.Pvv());
}

}  // namespace

bool ReadAndAdjustEpoch(const std::string& folder, AdjustmentHost& host, std::vector<std::string>& references,
                        EpochSolution& epoch) {
  const bool first = references.empty();
  AdjustmentRun run;  // its report is never created: the epoch's listings are not kept
  run.workFolder = folder;
  run.host = &host;
  if (!ReadObservationFiles(run)) return false;
  if (first ? !ReadBenchmarksAndCatalogue(run) : !BuildPointCatalogue(run)) return false;
  if (run.PointCount() == 0) return run.Stop(ToCp1250(messages::kNoObservations));
  if (!first) {  // a later epoch's points are no benchmarks of its run: the tables the topology reads
    run.pointHeight.assign(static_cast<std::size_t>(run.PointCount()) + 1, 0.0);
    run.pointFixedIndex.assign(static_cast<std::size_t>(run.PointCount()) + 1, 0);
  }
  if (!BuildNetworkTopology(run)) return false;
  if (PrepareNormalEquations(run) != orvane::RunOutcome::Finished) return false;
  ProfileMatrix& normal = run.normal;
  if (normal.IsolatedPartCount() > 1)
    return run.Stop(ToCp1250(messages::kSeparateParts) + orvane::IntegerField(normal.IsolatedPartCount()));
  if (!SolveFreeNetwork(run)) return run.Stop(ToCp1250(messages::kSingularEpoch));

  const int n = run.PointCount();
  epoch.folder = folder;
  epoch.observationCount = run.ObservationCount();
  epoch.pointNr.assign(run.pointNr.begin() + 1, run.pointNr.end());
  epoch.index.clear();
  epoch.index.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) epoch.index.emplace(epoch.pointNr[static_cast<std::size_t>(k)], k);
  // The reference points in the order of the benchmark file, each once.
  if (first) {
    std::vector<bool> taken(static_cast<std::size_t>(n), false);
    for (int b = 1; b <= run.BenchRecordCount(); ++b) {
      const std::string& nr = run.bench[static_cast<std::size_t>(b)].Nr;
      const int position = epoch.Find(nr);
      if (position < 0 || taken[static_cast<std::size_t>(position)]) continue;
      taken[static_cast<std::size_t>(position)] = true;
      references.push_back(nr);
    }
  }
  epoch.pvv = normal.Pvv();
  epoch.redundancy = run.ObservationCount() - (n - 1);
  epoch.height.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) epoch.height[static_cast<std::size_t>(k)] = normal.Correction(normal.RowOf(k + 1));

  // The columns of Q at the reference points, side by side in one pass over the factor.
  epoch.referencePosition.assign(references.size(), -1);
  std::vector<std::vector<double>> columns;
  std::vector<std::size_t> columnOf;
  for (std::size_t c = 0; c < references.size(); ++c) {
    const int position = epoch.Find(references[c]);
    epoch.referencePosition[c] = position;
    if (position < 0) continue;
    columns.emplace_back(static_cast<std::size_t>(n) + 1, 0.0)[static_cast<std::size_t>(normal.RowOf(position + 1))] =
        1.0;
    columnOf.push_back(c);
  }
  normal.SolveColumns(columns);
  epoch.referenceColumn.assign(references.size(), {});
  for (std::size_t s = 0; s < columns.size(); ++s) {
    std::vector<double>& column = epoch.referenceColumn[columnOf[s]];
    column.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) column[static_cast<std::size_t>(k)] = columns[s][static_cast<std::size_t>(normal.RowOf(k + 1))];
    std::vector<double>().swap(columns[s]);
  }
  // The diagonal from the selected inverse, which takes the factor's place.
  normal.Invert(InverseMethod::Selected);
  epoch.cofactor.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const int r = normal.RowOf(k + 1);
    epoch.cofactor[static_cast<std::size_t>(k)] = normal.Q(r, r);
  }
  return true;
}

}  // namespace kvel::epochs
