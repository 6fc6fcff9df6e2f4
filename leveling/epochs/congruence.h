#pragma once
// The comparison of two epochs of a control network of vertical displacements: the test that the
// epochs' variance factors agree, the variance factor used, the global congruence test of the
// reference points with its stepwise localisation, and the displacement of every common point
// relative to the stable reference points with its mean error and its own test. The method, with
// its formulas and sources, is written down in docs/epochs.md.
#include <string>
#include <vector>

#include "leveling/epochs/epoch_network.h"

namespace kvel::epochs {

struct CongruenceOptions {
  double alpha = 0.05;          // significance level of every test
  bool unitErrorIsOne = false;  // the a-priori variance factor 1 instead of the pooled one
};

// Where the variance factor s0^2 of the tests comes from.
enum class VarianceSource {
  Pooled,          // ([pvv]1 + [pvv]2) / (f1 + f2)
  APrioriChosen,   // 1, as the user chose
  APrioriNoRedundancy,  // 1: the epochs have no redundant observation together
  APrioriZeroPvv,  // 1: [pvv] of both epochs is zero
};

// One global test of a set of reference points: T = d' Q_d^+ d / (h s0^2) against F(h, f).
struct GlobalTest {
  int points = 0;       // reference points in the set
  int h = 0;            // rank of Q_d: points - 1
  double form = 0;      // d' Q_d^+ d, m^2 weighted (unitless when s0^2 is)
  double statistic = 0;
  double critical = 0;
  bool congruent = true;
  std::string removed;  // the point taken out before this test (localisation), empty for the first
  double lowering = 0;  // how much its removal lowered the form
};

struct Displacement {
  std::string pointNr;
  bool reference = false;  // a point of the first epoch's benchmark file
  bool stable = false;     // in the datum of the displacements (a reference point found congruent)
  double d = 0;            // m, later minus earlier, relative to the stable points
  double md = 0;           // its mean error, m
  double test = 0;         // d^2 / (s0^2 q_d): F(1, f) (chi-square(1) with the a-priori factor)
  double critical = 0;
  bool moved = false;      // test > critical
};

struct PairComparison {
  int from = 0, to = 0;  // epoch numbers, 1-based
  // The variance test (only when both epochs have redundancy and [pvv] > 0).
  bool varianceTested = false;
  double varianceRatio = 0, varianceCritical = 0;  // larger s^2 over smaller against F(1 - alpha/2)
  bool variancesAgree = true;
  VarianceSource source = VarianceSource::Pooled;
  double s0squared = 1;
  int dof = 0;  // f of the F distributions; 0 with the a-priori factor (F(h, infinity))
  int commonReferences = 0;
  std::vector<GlobalTest> tests;  // the first over all common reference points, then after each removal
  bool tooFewToLocalise = false;  // rejected with two points left: which one moved cannot be told
  bool singular = false;          // Q_d of the reference points not positive definite: no test
  std::vector<Displacement> points;  // reference points first (reference order), then object points
  std::vector<std::string> leftOut;  // points of only one of the two epochs
};

// Compares epoch `to` with epoch `from` (numbers for the report; the solutions share `references`).
// False when the two have no reference point in common.
bool CompareEpochs(const EpochSolution& earlier, const EpochSolution& later, int from, int to,
                   const std::vector<std::string>& references, const CongruenceOptions& options,
                   PairComparison& result);

// Upper quantiles of the tests: F(1 - alpha; h, f), with f = 0 meaning infinity (chi-square / h).
double FQuantile(double alpha, int h, int f);

}  // namespace kvel::epochs
