#pragma once
// The normal equations of the levelling network as one object, `ProfileMatrix`: the breadth-first
// numbering of the points as matrix rows, the variable-band ("profile") storage of the upper
// triangle that it owns, the building of the system, the square-root factorisation with forward
// reduction and back substitution, and the cofactors read out of the factor.
//
// Callers never see the storage: they ask for rows, corrections, [pvv] and cofactors Q(a, b).
// Every row index is 1-based (1..Order()); catalogue points are 1-based too.
//
// Life of one matrix: Renumber (or SetShape) -> Reserve -> { Clear -> Add... -> FactorAndSolve }
// as often as the iteration needs -> Invert -> Q / DifferenceCofactor. Solve works between
// FactorAndSolve and an Invert by the selected inverse, which overwrites the factor.
//
// Storage, for the maintainer: row r occupies positions RowStart(r)+1 .. RowStart(r+1); element
// (r, q) of the band is at At(r, q). After FactorAndSolve the diagonal position of row r holds
// r(r) = 1/sqrt(pivot), the reciprocal of the factor's diagonal element, and the off-diagonal
// positions hold the factor's elements; after the selected inverse they hold Q(r, q).
#include <functional>
#include <vector>

namespace kvel {

// Capacity of the normal-equation profile ("URN" in the report).
inline constexpr long long ProfileElementLimit = 15000000;

// How Invert reads the cofactors out of the factor.
enum class InverseMethod {
  Selected,   // every entry inside the profile in one pass, the cost of one factorisation
  Reference,  // the diagonal by one forward substitution per row (quadratic cost); tests, benchmarks
};

class ProfileMatrix {
 public:
  // --- Shape -------------------------------------------------------------------------------
  // Breadth-first numbering from `startPoint` (catalogue index; 1 when out of range) over
  // `neighbours` (1-based lists of catalogue indices, in order of first linking), then the row
  // widths. A part that the search cannot reach starts at its lowest catalogue index.
  void Renumber(int pointCount, int startPoint, const std::vector<std::vector<int>>& neighbours);
  // A matrix of rowWidths.size() - 1 rows with the given widths (element 0 unused) and catalogue
  // point k in row k. The widths must keep the profile monotone (last columns never decrease).
  void SetShape(std::vector<int> rowWidths);

  int Order() const { return order_; }                   // LP
  int RowOf(int point) const { return newNumber_[point]; }  // matrix row of catalogue point
  const std::vector<int>& Rows() const { return newNumber_; }       // [1..LP] by catalogue point
  const std::vector<int>& RowWidths() const { return rowWidth_; }   // [1..LP], diagonal included
  int IsolatedPartCount() const { return isolatedPartCount_; }      // connected parts
  // Whether rows a and b share the profile (Q(a, b) is then available after the selected inverse).
  bool InsideProfile(int a, int b) const;

  // --- Storage -----------------------------------------------------------------------------
  // The row starts and the element count; allocates the profile (only what this network needs)
  // when the count is within ProfileElementLimit, else frees it and answers false.
  bool Reserve();
  // Stored elements plus one (the count the report names); set by Reserve.
  long long ReservedElementCount() const { return reservedElementCount_; }
  bool Allocated() const { return !a_.empty(); }
  const std::vector<long long>& RowStarts() const { return rowStart_; }  // [1..LP+1]
  // Position of element (r, q) in Elements(); q inside row r's band.
  long long At(int r, int q) const { return rowStart_[r] + 1 + (q - r); }
  // Last column of row r's band.
  int LastColumn(int r) const { return r + rowWidth_[r] - 1; }
  // The stored elements as they are now (built system, factor or cofactors): reference checks.
  const std::vector<double>& Elements() const { return a_; }
  // The right side [1..LP+1] as it is now (built: element LP+1 is [pll]; reduced: [pvv]).
  const std::vector<double>& RightSide() const { return b_; }

  // --- Building ----------------------------------------------------------------------------
  // Every stored element and the right side set to 0.
  void Clear();
  // The observation v = dx(r2) - dx(r1) + l with weight w, r1 < r2 and r2 inside row r1's band.
  void AddObservation(int r1, int r2, double w, double l);
  // A benchmark's weight on its diagonal.
  void AddPointWeight(int r, double w);
  // Sets element r of the right side (1..LP), for systems built by hand.
  void SetRightSide(int r, double value) { b_[r] = value; }
  // [pll] of the system as built, before FactorAndSolve.
  double Pll() const { return b_[order_ + 1]; }

  // --- Factor and solution -----------------------------------------------------------------
  // Factors the system in place, reduces the right side, leaves [pvv] (never negative) and the
  // corrections. A defective pivot is repaired by adding 1.0; `onDefect` is called for each such
  // pivot with its row, and DefectRow names the last one. A pivot is defective below 1e-10
  // (absolute, m^-2) or below 1e-10 of its row's diagonal as built: with levelling weights of
  // 1e6 m^-2 the pivot of a part without benchmark is zero only up to rounding of that size,
  // which an absolute test alone would take for a pivot.
  void FactorAndSolve(const std::function<void(int)>& onDefect = {});
  double Pvv() const { return b_[order_ + 1]; }
  double Correction(int r) const { return x_[r]; }        // dx of row r
  const std::vector<double>& Corrections() const { return x_; }  // [1..LP]
  int DefectRow() const { return defectRow_; }            // last repaired pivot; 0 when none
  // Whether every diagonal element of the factor is a finite number (absurd weights can overflow
  // a pivot); between FactorAndSolve and an Invert.
  bool FactorIsFinite() const;
  // x with N x = rhs (rhs and x by row, element 0 unused) by the current factor: between
  // FactorAndSolve and an Invert by the selected inverse.
  std::vector<double> Solve(std::vector<double> rhs) const;
  // Each column x (by row, element 0 unused, LP + 1 elements) := N^-1 x, the same as Solve, but
  // the columns side by side in one pass over the factor: the cost of many solves at once.
  void SolveColumns(std::vector<std::vector<double>>& columns) const;

  // --- Cofactors ---------------------------------------------------------------------------
  // Reads the cofactors out of the factor. After the selected inverse the factor is gone (no
  // Solve, no reference routine); after the reference method it stays. Asking again for the
  // cofactors of the same factor reads them once only.
  void Invert(InverseMethod method = InverseMethod::Selected);
  // Q(a, b), the cofactor of rows a and b, after Invert: any pair inside the profile (selected
  // inverse); the diagonal, or a pair through DifferenceCofactor, with the reference method.
  double Q(int a, int b) const;
  // Q(a,a) + Q(b,b) - 2 Q(a,b), the cofactor of dx(b) - dx(a) (never negative), after Invert.
  double DifferenceCofactor(int a, int b) const;

  // Reference routines over the factor (quadratic cost, the factor left whole): the diagonal of
  // the inverse [1..LP], and x' N^-1 x for x by row (element 0 unused).
  std::vector<double> ReferenceInverseDiagonal() const;
  double ReferenceQuadraticForm(std::vector<double> x) const;

 private:
  int order_ = 0;
  std::vector<int> newNumber_;        // [1..LP]: matrix row of catalogue point k
  std::vector<int> rowWidth_;         // [1..LP]
  std::vector<long long> rowStart_;   // [1..LP+1]
  std::vector<double> a_;             // [1..stored elements]
  std::vector<double> b_;             // [1..LP+1]
  std::vector<double> x_;             // [1..LP]
  std::vector<double> referenceDiagonal_;  // [1..LP] after Invert(Reference)
  InverseMethod inverse_ = InverseMethod::Selected;
  bool inverted_ = false;  // Invert has run on the current factor
  long long reservedElementCount_ = 0;
  int defectRow_ = 0;
  int isolatedPartCount_ = 0;
};

}  // namespace kvel
