#pragma once
// A sparse square-root factor of a levelling network's normal matrix, N = L L', in a fill-reducing
// order of the points (minimum degree). Data snooping solves thousands of columns N^-1 a with one
// matrix: in the breadth-first profile of the run a solve walks every element of the band, while
// in this order the factor of a network spread over an area holds about a tenth of them.
//
// Life of one factor: Analyse (once, on the pattern of every link) -> { Clear -> Add... -> Factor
// -> SolveColumns... } as often as needed. Links that are not added keep zeros in the pattern, so
// one analysis serves every subset of the links. Points are catalogue indices 1..n.
#include <cstddef>
#include <utility>
#include <vector>

namespace kvel {

class SparseFactor {
 public:
  // The order and the pattern of the factor for a network of `pointCount` points linked by
  // `links` (pairs of catalogue indices; repeated pairs allowed). False, leaving no factor, when
  // the factor would hold more than `elementLimit` off-diagonal elements: the order cannot help
  // that network, and the analysis ends as soon as that is clear.
  bool Analyse(int pointCount, const std::vector<std::pair<int, int>>& links, std::size_t elementLimit);
  bool Analysed() const { return analysed_; }

  // Every element of the matrix set to 0.
  void Clear();
  // The observation of the height difference between points a and b with weight w (a link given
  // to Analyse; any other spoils the matrix: Factor then refuses it).
  void AddLink(int a, int b, double w);
  // A benchmark's weight on its point's diagonal.
  void AddPointWeight(int a, double w);
  // Factors the matrix as built. False when a pivot is not a finite number above 1e-10 (absolute,
  // m^-2) and above 1e-10 of its diagonal as built, the bounds of the profile factorisation: the
  // system is singular (a part of the network without a benchmark) and this factor is useless.
  bool Factor();
  // The factor of N - w a a' (a: +1 at point b, -1 at point a, or a = 0 for a point weight alone)
  // from that of N: an observation leaves the system. The work follows the elimination tree up
  // from the two points, a small share of a factorisation. False when a pivot falls to the bounds
  // of Factor: the factor is then spoilt, and only Factor makes it whole again (a link the
  // analysis was not given is refused before anything changes).
  bool Downdate(int a, int b, double w);

  // Each column x[1..n] (element 0 unused) := N^-1 x, the columns side by side in one pass over
  // the factor.
  void SolveColumns(std::vector<std::vector<double>>& columns) const;

  int Order() const { return n_; }
  std::size_t ElementCount() const { return row_.size(); }  // off-diagonal elements of L

 private:
  int n_ = 0;
  bool analysed_ = false;
  std::vector<int> position_;          // [1..n]: the point's column in the factor, 0-based
  std::vector<std::size_t> start_;     // [0..n]: column j holds elements start_[j] .. start_[j+1]-1
  std::vector<int> row_;               // their rows, ascending within a column
  std::vector<double> value_;          // N's elements as built, then L's
  std::vector<double> diagonal_;       // N's diagonal as built, by column
  std::vector<double> pivot_;            // L(j, j) after Factor
  std::vector<double> inverseDiagonal_;  // 1 / L(j, j) after Factor
  std::vector<double> spread_;           // [0..n-1] scratch of Downdate, zero between calls
  bool outsidePattern_ = false;  // a link or point outside the analysis was added since Clear
};

}  // namespace kvel
