#include "leveling/misclosure_phase.h"

#include <cmath>

#include "common/work_folder.h"
#include "leveling/misclosures/network_misclosures.h"

namespace kvel {

void WriteMisclosures(AdjustmentRun& run, bool reached) {
  orvane::TextWriter file;
  if (!file.Create(orvane::StandardFilePath(run.workFolder, "zamkniecia.osn"), &run.results)) return;
  if (!reached) {
    file.Close();
    return;
  }
  // Lengths are the accuracy parameters [r] as the observation listing shows them: km when the
  // files give L.
  std::vector<misclosures::Edge> edges;
  edges.reserve(static_cast<std::size_t>(run.ObservationCount()));
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const Observation& o = run.obs[k];
    const double u = run.fileUnitError[k <= run.firstFileObsCount ? 0 : 1];
    const double m2 = o.Weight > 0 ? 1 / o.Weight : 0;
    const double r = u == -1 || u == 0 ? m2 / 1e-6 : m2 / (u * u);
    edges.push_back({o.From - 1, o.To - 1, o.DH, std::isfinite(r) ? r : 0});
  }
  std::vector<std::pair<int, double>> benchmarks;
  for (int s = 1; s <= run.FixedPointCount(); ++s)
    benchmarks.emplace_back(run.fixedPoint[s] - 1, run.AdjustedHeight(run.fixedPoint[s]));
  const misclosures::Misclosures m = misclosures::FindMisclosures(run.PointCount(), edges, benchmarks);
  const std::vector<std::string> names(run.pointNr.begin() + 1, run.pointNr.end());
  misclosures::WriteMisclosureReport(file, m, names, run.ObservationCount(), run.options.MisclosureK, run.unitMeanError > 0);
  file.Close();
}

}  // namespace kvel
