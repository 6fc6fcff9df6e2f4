#pragma once
// The network's normal matrix as the statistical testing asks for it (NormalEquations): the
// cofactors of the run's selected inverse, and of a selected inverse of our own when data snooping
// asks for them afresh; the solves of data snooping through a sparse factor in a fill-reducing
// order, downdated as observations leave, where that factor is much smaller than the run's
// profile (a network spread over an area), else through the profile factor with rank-one terms.
// The profile factor is built in the run's own matrix: the testing is the run's last phase, every
// cofactor has been read by then, and building the factor again costs no more than keeping a copy
// of the run's (the copy is as much memory traffic, and new memory besides).
#include <vector>

#include "leveling/adjustment_statistics.h"
#include "leveling/profile_solver.h"
#include "leveling/sparse_factor.h"

namespace kvel {

// Downdates of the sparse factor between two factorisations: a bound on the rounding a chain of
// downdates gathers, at a small share of the snooping's cost.
inline constexpr int kDowndatesPerFactor = 256;

class NetworkNormalEquations : public NormalEquations {
 public:
  // `runMatrix` holds the selected inverse of the run's last system, or its factor when the run
  // read its cofactors with the reference routines (`runHoldsFactor`).
  NetworkNormalEquations(ProfileMatrix& runMatrix, const StatisticsInput& input, bool runHoldsFactor);

  double Cofactor(int a, int b) const override;
  void Solve(std::vector<std::vector<double>>& columns) override;
  int RefactorRounds() const override;
  bool Rebuild(const std::vector<char>& removed, bool cofactors) override;
  bool Downdate(int k) override;

  // Whether the solves go through the sparse factor (known after the first solve).
  bool SparseSolves() const { return sparse_.Analysed(); }

 private:
  void ChooseFactor();
  bool Factor(const std::vector<char>& removed);
  bool FactorProfile(const std::vector<char>& removed);

  ProfileMatrix& profile_;
  const StatisticsInput& input_;
  std::vector<TestedObservation> items_;
  bool runHoldsFactor_;
  ProfileMatrix own_;  // a selected inverse of our own, beside the factor
  const ProfileMatrix* inverse_ = nullptr;
  SparseFactor sparse_;
  bool sparseLost_ = false;    // a downdate failed and the new factorisation too
  std::vector<char> removed_;  // the items the factor is without
  bool factorReady_ = false;
};

}  // namespace kvel
