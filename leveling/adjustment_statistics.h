#pragma once
// The statistical testing of an adjustment: the global test of the variance factor, the
// reliability of every observation (redundancy number r, standardized residual w, minimal
// detectable bias MDB, external reliability, the estimated gross error and its effect) and data
// snooping, which removes the observation of the largest rejected |w| and adjusts again until no
// observation is rejected.
//
// The a-priori variance factor is 1: the weights p = 1/m^2 are those the run built. For an
// observation with the vector a (-1 at its first point, +1 at its second), q = a' Q a is the
// cofactor of the adjusted observation, r = 1 - p q, w = v sqrt(p / r), MDB = sqrt(lambda0 / (p r)),
// external reliability sqrt(lambda0 (1 - r) / r); lambda0 = (z(1 - alpha0/2) + z(power))^2 and the
// critical value of |w| is z(1 - alpha0/2). The estimated gross error is -v / r, and (1 - r) of it
// passes into the adjusted difference of the observation's two points: its effect on the heights.
//
// A benchmark held with a mean error is an observed height (a = +1 at its point, the given height
// as the observed value) and is tested, and may be removed, as an observation is: the tested items
// are the observations 1..M and then these benchmarks (TestedItems). Fixed benchmarks are
// constraints. A part of the network that no benchmark ties ("untied") has invented heights: it is
// named, and left out of the global test.
//
// Removing one observation is a rank-one change of the normal matrix N: with z = Q a,
// Q' = Q + (p / r) z z', and the heights move by (p v / r) z. Each round of snooping therefore
// costs one solve with the factor of N, not a new factorisation. Equations whose factor can be
// downdated take the item out of it at once, and the next round solves with the factor as it is
// now. Otherwise the factor stays, the columns are corrected by the vectors z of the earlier
// rounds, and the solves of the observations rejected at the moment with the largest |w| share
// one pass over the factor. The system is built and factored again when the maintained values
// drift from a fresh solve, and after a number of rounds (RefactorRounds): the balance of the two
// costs, or the bound on the rounding a chain of downdates gathers.
//
// Point indices are catalogue indices 1..LP and observation indices 1..M, in input order; every
// table is 1-based (element 0 unused).
#include <vector>

#include "leveling/statistics_options.h"

namespace kvel {

// A redundancy number below this share of p (Q(a,a) + Q(b,b)) is taken as 0: the observation is
// not controlled by any other. r = 1 - p q loses to rounding about the size of the cofactors it is
// computed from, so the threshold follows the observation's weight and its points' cofactors
// (a strong observation beside weak ones has a small r that is still sound).
inline constexpr double kRedundancyRounding = 1e-10;

// Two |w| closer than this share of the larger are equal in data snooping, which then removes the
// item that comes first (observations in input order, then the benchmarks). Observations in series,
// whose w are equal in exact arithmetic, need no tolerance: they are one candidate (SeriesGroups).
inline constexpr double kTieTolerance = 1e-9;

struct TestedObservation {
  int from = 0;       // catalogue index of its first point, as in the input file; 0: a benchmark
  int to = 0;         // of its second point (the benchmark's point)
  double dh = 0;      // the height difference as in the input file, m (a benchmark: its given height)
  double weight = 0;  // p = 1/m^2 as the run built it, m^-2
};

struct TestedBenchmark {
  int point = 0;            // catalogue index
  double givenHeight = 0;   // m, on the same reduction as the heights
  double weight = 0;        // the weight the run held it with (1e20 for a fixed one)
  bool fixed = false;       // held fixed: a constraint, not an observation of the global test
};

// The normal matrix of the network as the run built it, through the run's factor and inverse.
// Rounds of rank-one updates between two factorisations, unless the equations tell better.
inline constexpr int kRefactorRounds = 64;
// Columns Q a solved in one pass over the factor: the rejected observations of the moment with
// the largest |w|.
inline constexpr int kColumnsPerPass = 48;
// Solved columns brought onto a new factor (those of the largest rejected |w|); the others are
// dropped and solved again if they are ever needed.
inline constexpr int kColumnsKept = kColumnsPerPass;

class NormalEquations {
 public:
  virtual ~NormalEquations() = default;
  // Q(a, b) for a == b or for two points linked by an observation (a pair inside the profile).
  // Every cofactor needed is read before the first Solve, which may reuse their storage.
  virtual double Cofactor(int a, int b) const = 0;
  // Each column x[1..LP] := N^-1 x, with the current factor; several columns share one pass
  // over the factor.
  virtual void Solve(std::vector<std::vector<double>>& columns) = 0;
  // Builds N again without the items k (TestedItems) with removed[k] != 0 and factors it; Solve
  // then answers for that system, and with `cofactors` Cofactor does too (without, Cofactor is
  // not asked again). False when it cannot be done.
  virtual bool Rebuild(const std::vector<char>& removed, bool cofactors) = 0;
  // Takes item k (TestedItems) out of the factor, so that Solve answers for the system without
  // it. False when these equations do not do that: their factor stays as it was, and the rounds
  // go on with rank-one terms.
  virtual bool Downdate(int /*k*/) { return false; }
  // Rounds of rank-one updates worth one new factorisation. A factorisation costs about LP w^2
  // (w: the factor's mean row width) and each round about LP per round since the last one, so
  // about w rounds balance them.
  virtual int RefactorRounds() const { return kRefactorRounds; }
};

struct StatisticsInput {
  std::vector<TestedObservation> obs{1};  // [1..M], input order: deltah, then deltah1
  std::vector<double> height{1};          // [1..LP]: adjusted heights, m
  std::vector<TestedBenchmark> benchmarks;
  std::vector<double> meanError{1};       // [1..LP]: their mean errors as h.osn has them (least squares)
  double heightMo = 1;   // the Mo of the heights' mean errors (as in h.osn)
  bool empiricalMo = false;  // heightMo is the empirical Mo: the heights after snooping get their own
  int redundancy = 0;    // LU = M - (LP - LS)
  bool leastSquares = true;
  bool defect = false;                  // a solution of the run was defective
  std::vector<double> robustFactor{1};  // [1..M], robust estimation only: the final factors
  double benchmarkPvv = 0;  // robust estimation only: the benchmarks' share of [pvv], as the report has it
};

// The tested items: the observations [1..M], then the benchmarks held with a mean error, in the
// order of `benchmarks`, each as {0, point, given height, weight}.
std::vector<TestedObservation> TestedItems(const StatisticsInput& input);

struct GlobalTest {
  bool computed = false;  // false without redundant observations (LU <= 0)
  double pvv = 0;         // [pvv], with the robust factors in a robust run; untied parts left out
  int degrees = 0;        // LU, less the redundancy of the untied parts
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
  double gross = 0;    // estimated gross error -v / r, m; 0 when uncontrolled
  double effect = 0;   // its effect on the adjusted difference of its points, -v (1 - r) / r, m
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
  std::vector<ObservationTest> obs{1};  // [1..items] (TestedItems), the adjustment of all of them
  std::vector<SnoopingRound> rounds;
  bool snoopingStopped = false;       // a rebuild failed; the rounds listed are those done
  std::vector<double> heightAfter{1};     // [1..LP] after data snooping
  std::vector<double> meanErrorAfter{1};  // [1..LP] their mean errors (heightMoAfter applied)
  double heightMoAfter = 1;  // the Mo of those: the cleaned network's own when the run's is empirical
  int rebuilds = 0;                   // factorisations the snooping needed
  std::size_t columnsSolved = 0;      // columns Q a the snooping solved with a factor
  std::vector<int> untiedPart;        // [1..LP]: the untied part a point belongs to (1, 2, ...), else 0
  int untiedParts = 0;
  int untiedObservations = 0;         // observations inside untied parts
};

// The whole testing. `normal` is used only with least squares; null leaves the w-test out.
// `refactorRounds`: rounds of rank-one updates between two factorisations; 0: those `normal` tells.
StatisticsResult TestAdjustment(const StatisticsInput& input, const StatisticsOptions& options,
                                NormalEquations* normal, int refactorRounds = 0);

// chi-square quantile at probability `p` with `degrees` degrees of freedom, and the standard
// normal quantile (Boost.Math). The upper quantiles take the probability above them, `q`, and go
// through the complement, so that a level of 1e-300 is exact (1 - 1e-300 would round to 1).
double ChiSquareQuantile(double p, int degrees);
double ChiSquareUpperQuantile(double q, int degrees);
double NormalQuantile(double p);
double NormalUpperQuantile(double q);

}  // namespace kvel
