#include "leveling/testing_normal_equations.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kvel {

NetworkNormalEquations::NetworkNormalEquations(ProfileMatrix& runMatrix, const StatisticsInput& input,
                                               bool runHoldsFactor)
    : profile_(runMatrix), input_(input), items_(TestedItems(input)), runHoldsFactor_(runHoldsFactor) {
  if (runHoldsFactor) {
    own_ = profile_;
    own_.Invert(InverseMethod::Selected);
    inverse_ = &own_;
  } else {
    inverse_ = &runMatrix;
  }
}

double NetworkNormalEquations::Cofactor(int a, int b) const {
  return inverse_->Q(profile_.RowOf(a), profile_.RowOf(b));
}

void NetworkNormalEquations::Solve(std::vector<std::vector<double>>& columns) {
  if (!factorReady_) {
    ChooseFactor();
    removed_.assign(items_.size(), 0);
    // The run's matrix may hold the factor of this very system already.
    factorReady_ = runHoldsFactor_ && !sparse_.Analysed() ? true : Factor(std::vector<char>(items_.size(), 0));
  }
  if (sparse_.Analysed()) {
    if (sparseLost_) {
      // A system that no factor answers for: nothing a caller could take for a solution.
      for (std::vector<double>& x : columns) std::fill(x.begin() + 1, x.end(), std::nan(""));
      return;
    }
    sparse_.SolveColumns(columns);
    return;
  }
  const int n = profile_.Order();
  // The columns by catalogue point become columns by matrix row, solved side by side.
  std::vector<std::vector<double>> byRow(columns.size(), std::vector<double>(static_cast<std::size_t>(n) + 1, 0.0));
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (int i = 1; i <= n; ++i) byRow[c][profile_.RowOf(i)] = columns[c][i];
  profile_.SolveColumns(byRow);
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (int i = 1; i <= n; ++i) columns[c][i] = byRow[c][profile_.RowOf(i)];
}

// The sparse factor is downdated round by round and factored afresh now and then, against the
// rounding a chain of downdates gathers. The profile's factorisation is balanced against the
// rank-one terms a round adds to every column (about LP each, per round since the last
// factorisation): about the mean row width rounds.
int NetworkNormalEquations::RefactorRounds() const {
  if (sparse_.Analysed()) return kDowndatesPerFactor;
  const double meanWidth = static_cast<double>(profile_.ReservedElementCount()) / std::max(profile_.Order(), 1);
  return std::clamp(static_cast<int>(meanWidth), 16, 512);
}

// A downdate that fails (rounding at a pivot) leaves a spoilt factor: it is factored afresh.
bool NetworkNormalEquations::Downdate(int k) {
  if (!sparse_.Analysed() || !factorReady_) return false;
  removed_[static_cast<std::size_t>(k)] = 1;
  const TestedObservation& o = items_[static_cast<std::size_t>(k)];
  if (!sparse_.Downdate(o.from, o.to, o.weight)) sparseLost_ = !Factor(removed_);
  return true;
}

bool NetworkNormalEquations::Rebuild(const std::vector<char>& removed, bool cofactors) {
  removed_ = removed;
  sparseLost_ = false;
  if (!Factor(removed)) return false;
  factorReady_ = true;
  if (cofactors) {
    // The cofactors come from the profile: built and factored there too when the solves go
    // through the sparse factor.
    if (sparse_.Analysed() && !FactorProfile(removed)) return false;
    own_ = profile_;
    own_.Invert(InverseMethod::Selected);
    inverse_ = &own_;
  }
  return true;
}

// The sparse factor when it holds fewer elements than the profile's band (a network spread over
// an area: a fraction of them); a chain, whose band is as narrow as a factor can be, keeps the
// profile.
void NetworkNormalEquations::ChooseFactor() {
  std::vector<std::pair<int, int>> links;
  for (std::size_t k = 1; k < items_.size(); ++k)
    if (items_[k].from != 0) links.emplace_back(items_[k].from, items_[k].to);
  const long long band = profile_.ReservedElementCount() - 1 - profile_.Order();
  if (band > 0) sparse_.Analyse(profile_.Order(), links, static_cast<std::size_t>(band - 1));
}

// Builds N of the kept items and the fixed benchmarks and factors it.
bool NetworkNormalEquations::Factor(const std::vector<char>& removed) {
  if (!sparse_.Analysed()) return FactorProfile(removed);
  sparse_.Clear();
  for (std::size_t k = 1; k < items_.size(); ++k) {
    if (removed[k]) continue;
    const TestedObservation& o = items_[k];
    if (o.from == 0)
      sparse_.AddPointWeight(o.to, o.weight);
    else
      sparse_.AddLink(o.from, o.to, o.weight);
  }
  for (const TestedBenchmark& bm : input_.benchmarks)
    if (bm.fixed) sparse_.AddPointWeight(bm.point, bm.weight);
  return sparse_.Factor();
}

// The same in the run's profile matrix.
bool NetworkNormalEquations::FactorProfile(const std::vector<char>& removed) {
  profile_.Clear();
  for (std::size_t k = 1; k < items_.size(); ++k) {
    if (removed[k]) continue;
    const TestedObservation& o = items_[k];
    if (o.from == 0) {
      profile_.AddPointWeight(profile_.RowOf(o.to), o.weight);
      continue;
    }
    int a = profile_.RowOf(o.from), b = profile_.RowOf(o.to);
    if (a > b) std::swap(a, b);
    profile_.AddObservation(a, b, o.weight, 0.0);
  }
  for (const TestedBenchmark& bm : input_.benchmarks)
    if (bm.fixed) profile_.AddPointWeight(profile_.RowOf(bm.point), bm.weight);
  profile_.FactorAndSolve();
  return profile_.DefectRow() == 0 && profile_.FactorIsFinite();
}

}  // namespace kvel
