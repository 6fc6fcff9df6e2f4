#include "leveling/network_topology.h"

#include <cstdint>
#include <unordered_set>
#include <utility>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/messages.h"

namespace kvel {

namespace {

using orvane::RightAligned;
using orvane::ToCp1250;

// Every observation links its two points both ways, so b is a neighbour of a exactly when a is one
// of b; one set of unordered pairs answers both membership questions in constant time.
std::uint64_t PairKey(int a, int b) {
  if (a > b) std::swap(a, b);
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

bool BuildNeighbourLists(AdjustmentRun& run) {
  const int points = run.PointCount();
  run.neighbours.assign(static_cast<std::size_t>(points) + 1, {});
  std::unordered_set<std::uint64_t> linked;
  linked.reserve(static_cast<std::size_t>(run.ObservationCount()) + 16);
  for (int k = 1; k <= run.ObservationCount(); ++k) {
    const Observation& obs = run.obs[static_cast<std::size_t>(k)];
    const int a = obs.From;
    const int b = obs.To;
    if (!linked.insert(PairKey(a, b)).second) continue;  // an earlier observation linked them
    auto& listA = run.neighbours[static_cast<std::size_t>(a)];
    auto& listB = run.neighbours[static_cast<std::size_t>(b)];
    if (static_cast<int>(listA.size()) >= kMaxNeighbours || static_cast<int>(listB.size()) >= kMaxNeighbours) {
      run.host->ShowInformation(ToCp1250(messages::kTooManyLinks));
      return false;
    }
    listA.push_back(b);
    listB.push_back(a);
  }
  return true;
}

}  // namespace

bool BuildNetworkTopology(AdjustmentRun& run) {
  if (!BuildNeighbourLists(run)) return false;
  const int points = run.PointCount();

  run.Report("  ");
  run.Report(std::string(76, '-'));
  run.Report(ToCp1250("  WYZNACZALNOŚCI PUNKTÓW WZGLĘDEM SĄSIEDZTWA"));
  run.Report(ToCp1250("     lp        NR PUNKTU   ILE PUNKTÓW INCYDENTNYCH, UWAGI"));
  const std::string fixedRemark = ToCp1250("  PUNKT NAWIĄZANIA ");
  const std::string noControlRemark = " *** PUNKT BEZ KONTROLI";
  std::string row;
  for (int k = 1; k <= points; ++k) {
    const int count = static_cast<int>(run.neighbours[static_cast<std::size_t>(k)].size());
    row.clear();
    orvane::AppendIntegerField(row, k, 7);
    row += ' ';
    orvane::AppendRightAligned(row, run.pointNr[static_cast<std::size_t>(k)], 16);
    orvane::AppendIntegerField(row, count, 10);
    if (run.pointFixedIndex[static_cast<std::size_t>(k)] != 0)
      row += fixedRemark;
    else if (count <= 1)
      row += noControlRemark;
    else
      row += ' ';
    run.Report(row);
  }
  run.Report(" ");

  // Points without control, and in the same pass the first point with the fewest neighbours,
  // where the renumbering starts.
  run.Report(ToCp1250(" WYKAZ PUNKTÓW BEZ KONTROLI:"));
  bool any = false;
  int minimum = 100;
  run.startPoint = 1;
  for (int k = 1; k <= points; ++k) {
    const int count = static_cast<int>(run.neighbours[static_cast<std::size_t>(k)].size());
    if (count == 1 && run.pointFixedIndex[static_cast<std::size_t>(k)] == 0) {
      run.Report(" ** PUNKT " + RightAligned(run.pointNr[static_cast<std::size_t>(k)], 16) + " BEZ KONTROLI");
      any = true;
    }
    if (count < minimum) {
      minimum = count;
      run.startPoint = k;
    }
  }
  if (!any) run.Report("  - BRAK ");
  return true;
}

}  // namespace kvel
