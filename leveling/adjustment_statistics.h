#pragma once
// The statistical testing of an adjustment: the global test of the variance factor, the
// reliability of every observation (redundancy number r, standardized residual w, minimal
// detectable bias MDB, external reliability) and data snooping, which removes the observation of
// the largest rejected |w| and adjusts again until no observation is rejected.
//
// The a-priori variance factor is 1: the weights p = 1/m^2 are those the run built. For an
// observation with the vector a (-1 at its first point, +1 at its second), q = a' Q a is the
// cofactor of the adjusted observation, r = 1 - p q, w = v sqrt(p / r), MDB = sqrt(lambda0 / (p r)),
// external reliability sqrt(lambda0 (1 - r) / r); lambda0 = (z(1 - alpha0/2) + z(power))^2 and the
// critical value of |w| is z(1 - alpha0/2).
//
// Removing one observation is a rank-one change of the normal matrix N: with z = Q a,
// Q' = Q + (p / r) z z', and the heights move by (p v / r) z. Each round of snooping therefore
// costs one solve with the factor of N (corrected by the vectors z of the earlier rounds), not a
// new factorisation; the solves of all observations rejected at the moment share one pass over
// the factor. The system is built and factored again only when the rank-one updates drift from a
// fresh solve, and after every kRefactorRounds rounds.
//
// Point indices are catalogue indices 1..LP and observation indices 1..M, in input order; every
// table is 1-based (element 0 unused).
#include <vector>

#include "leveling/statistics_options.h"

namespace kvel {

// A redundancy number below this is taken as 0: the observation is not controlled by any other.
inline constexpr double kUncontrolledRedundancy = 1e-6;

struct TestedObservation {
  int from = 0;       // catalogue index of its first point, as in the input file
  int to = 0;         // of its second point
  double dh = 0;      // the height difference as in the input file, m
  double weight = 0;  // p = 1/m^2 as the run built it, m^-2
};

struct TestedBenchmark {
  int point = 0;            // catalogue index
  double givenHeight = 0;   // m, on the same reduction as the heights
  double weight = 0;        // the weight the run held it with (1e20 for a fixed one)
  bool fixed = false;       // held fixed: a constraint, not an observation of the global test
};

// The normal matrix of the network as the run built it, through the run's factor and inverse.
class NormalEquations {
 public:
  virtual ~NormalEquations() = default;
  // Q(a, b) for a == b or for two points linked by an observation (a pair inside the profile).
  // Every cofactor needed is read before the first Solve, which may reuse their storage.
  virtual double Cofactor(int a, int b) const = 0;
  // Each column x[1..LP] := N^-1 x, with the current factor; several columns share one pass
  // over the factor.
  virtual void Solve(std::vector<std::vector<double>>& columns) = 0;
  // Builds N again without the observations k with removed[k] != 0, factors it and reads its
  // cofactors; Cofactor and Solve then answer for that system. False when it cannot be done.
  virtual bool Rebuild(const std::vector<char>& removed) = 0;
};

struct StatisticsInput {
  std::vector<TestedObservation> obs{1};  // [1..M], input order: deltah, then deltah1
  std::vector<double> height{1};          // [1..LP]: adjusted heights, m
  std::vector<TestedBenchmark> benchmarks;
  std::vector<double> meanError{1};       // [1..LP]: their mean errors as h.osn has them (least squares)
  double heightMo = 1;   // the Mo of the heights' mean errors (as in h.osn)
  int redundancy = 0;    // LU = M - (LP - LS)
  bool leastSquares = true;
  bool defect = false;                  // a solution of the run was defective
  std::vector<double> robustFactor{1};  // [1..M], robust estimation only: the final factors
};

struct GlobalTest {
  bool computed = false;  // false without redundant observations (LU <= 0)
  double pvv = 0;         // [pvv], with the robust factors in a robust run
  int degrees = 0;        // LU
  double alpha = 0;
  double lower = 0, upper = 0;  // chi-square quantiles at alpha/2 and 1 - alpha/2
  bool accepted = false;        // lower <= [pvv] <= upper
};

struct ObservationTest {
  double v = 0;        // adjusted minus observed, input orientation, m
  double r = 0;        // redundancy number; 0 when uncontrolled
  double w = 0;        // standardized residual; 0 when uncontrolled
  double mdb = 0;      // minimal detectable bias, m; 0 when uncontrolled
  double external = 0; // sqrt(lambda0 (1 - r) / r); 0 when uncontrolled
  bool controlled = false;
  bool rejected = false;  // |w| above the critical value in the adjustment of all observations
  int removedRound = 0;   // the round of data snooping that removed it, 0 when kept
};

struct SnoopingRound {
  int observation = 0;
  double w = 0;  // its w in the adjustment before its removal
  double v = 0;  // its v there, m
};

struct StatisticsResult {
  StatisticsOptions options;
  GlobalTest global;
  double critical = 0;  // z(1 - alpha0/2)
  double lambda0 = 0;   // noncentrality of the w-test
  bool wTest = false;   // least squares only
  std::vector<ObservationTest> obs{1};  // [1..M], the adjustment of all observations
  std::vector<SnoopingRound> rounds;
  bool snoopingStopped = false;       // a rebuild failed; the rounds listed are those done
  std::vector<double> heightAfter{1};     // [1..LP] after data snooping
  std::vector<double> meanErrorAfter{1};  // [1..LP] their mean errors (heightMo applied)
  int rebuilds = 0;                   // factorisations the snooping needed
};

// Rounds of rank-one updates between two factorisations.
inline constexpr int kRefactorRounds = 64;
// Columns Q a solved in one pass over the factor: the rejected observations of the moment.
inline constexpr int kColumnsPerPass = 48;

// The whole testing. `normal` is used only with least squares; null leaves the w-test out.
// `refactorRounds`: rounds of rank-one updates between two factorisations.
StatisticsResult TestAdjustment(const StatisticsInput& input, const StatisticsOptions& options,
                                NormalEquations* normal, int refactorRounds = kRefactorRounds);

// chi-square quantile at probability `p` with `degrees` degrees of freedom, and the standard
// normal quantile (Boost.Math).
double ChiSquareQuantile(double p, int degrees);
double NormalQuantile(double p);

}  // namespace kvel
