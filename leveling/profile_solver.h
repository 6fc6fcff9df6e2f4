#pragma once
// The normal equations of the levelling network: the breadth-first numbering of the points as
// matrix rows, the variable-band ("profile") storage of the upper triangle, the primitives that
// build the system, the square-root factorisation with forward reduction and back substitution,
// and the ways of reading the inverse out of the factor.
//
// Every table is 1-based (element 0 unused). Row r occupies normalMatrix positions
// rowStart[r]+1 .. rowStart[r+1]; element (r, q) of the band is at rowStart[r] + 1 + (q - r).
// After FactorAndSolve the diagonal position of row r holds r(r) = 1/sqrt(pivot), the reciprocal
// of the factor's diagonal element, and the off-diagonal positions hold the factor's elements.
#include <functional>
#include <vector>

#include "common/run_outcome.h"
#include "common/text_writer.h"

namespace kvel {

struct AdjustmentRun;

// Capacity of the normal-equation profile ("URN" in the report).
inline constexpr long long ProfileElementLimit = 15000000;

struct ProfileSystem {
  int pointCount = 0;               // LP, the matrix order
  std::vector<int> newNumber;       // [1..LP]: matrix row of catalogue point k
  std::vector<int> rowWidth;        // [1..LP]: stored elements of row r, the diagonal included
  std::vector<long long> rowStart;  // [1..LP+1]
  std::vector<double> normalMatrix; // [1..stored elements]; sized by ReserveProfile
  std::vector<double> rightSide;    // [1..LP+1]; element LP+1 is [pll], then [pvv]
  std::vector<double> correction;   // [1..LP]: dx by row
  long long reservedElementCount = 0;  // stored elements plus one
  int defectIndex = 0;              // last defective pivot of the latest solution; 0 when none
  int isolatedPartCount = 0;        // connected parts of the observation graph

  // Position of element (r, q) in normalMatrix; q inside row r's band.
  long long At(int r, int q) const { return rowStart[r] + 1 + (q - r); }
  // Last column of row r's band.
  int LastColumn(int r) const { return r + rowWidth[r] - 1; }
};

// Breadth-first numbering from `startPoint` (catalogue index) over `neighbours` (1-based lists of
// catalogue indices, in order of first linking), then the row widths. Fills newNumber, rowWidth
// and isolatedPartCount.
void RenumberPoints(ProfileSystem& sys, int pointCount, int startPoint,
                    const std::vector<std::vector<int>>& neighbours);

// rowStart and reservedElementCount, the three reservation lines of the report and the limit.
// Allocates the profile only when it fits; false when the run must stop (the report then holds
// " *** PRZEKROCZENIE ZAKRESU TABLICY URN").
bool ReserveProfile(ProfileSystem& sys, orvane::TextWriter& report);

// Every stored element of the profile and rightSide[1..LP+1] set to 0.
void ClearSystem(ProfileSystem& sys);

// The observation v = dx(r2) - dx(r1) + l with weight w, r1 < r2 and r2 inside row r1's band.
void AddObservationEquation(ProfileSystem& sys, int r1, int r2, double w, double l);

// A benchmark's weight on its diagonal.
void AddPointWeight(ProfileSystem& sys, int r, double w);

// Factors the first n rows in place, reduces the right side, leaves [pvv] (never negative) in
// rightSide[n+1] and the corrections in correction[1..n]. A defective pivot is repaired by
// adding 1.0; `onDefect` is called for each such pivot with its row, and defectIndex names the
// last one. A pivot is defective below 1e-10 (absolute, m^-2) or below 1e-10 of its row's
// diagonal as built: with levelling weights of 1e6 m^-2 the pivot of a part without benchmark is
// zero only up to rounding of that size, which an absolute test alone would take for a pivot.
void FactorAndSolve(ProfileSystem& sys, int n, const std::function<void(int)>& onDefect = {});

// Reference routine: the diagonal of the inverse into rightSide[1..n], one forward substitution
// per row (quadratic cost; the run uses SelectedInverse instead).
void InverseDiagonal(ProfileSystem& sys, int n);

// Reference routine: x' N^-1 x for the vector x placed in rightSide[1..n]; rightSide is destroyed.
double InverseQuadraticForm(ProfileSystem& sys, int n);

// The entries of the inverse that lie inside the profile, computed from the factor in one pass
// from the last row up, overwriting the factor: afterwards position At(r, q) holds Q(r, q).
// The cost is that of one factorisation. The reference routines cannot be used afterwards.
void SelectedInverse(ProfileSystem& sys, int n);

// Q(a, b) after SelectedInverse, for rows a and b whose pair lies inside the profile.
double InverseElement(const ProfileSystem& sys, int a, int b);

// The run's phase: numbering, the warning on separate parts, the reservation and its limit.
orvane::RunOutcome PrepareNormalEquations(AdjustmentRun& run);

}  // namespace kvel
