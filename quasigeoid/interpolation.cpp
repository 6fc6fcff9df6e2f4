#include "quasigeoid/interpolation.h"

#include <algorithm>

namespace solvanta {

Real AnomalyInEtrf89(Real bSeconds, Real lSeconds, Real anomaly2000) {
  Real X, Y, Z;
  BlhToXyz(bSeconds, lSeconds, anomaly2000, X, Y, Z);
  Real X89, Y89, Z89;
  Etrf2000ToEtrf89(X, Y, Z, X89, Y89, Z89);
  // Only the height is kept: the printed coordinates are always the ones read. Inside the
  // admissible area (and for any anomaly a 32-bit grid value can hold) the height is found;
  // NaN would mark a point the conversion is not made for.
  Real h;
  XyzToHeight(X89, Y89, Z89, h);
  return h;
}

namespace {

// Central-difference factor: the grid unit over the two steps a central difference spans.
constexpr Real kDifferenceFactor = 0.000005L;

// -(forward + backward difference) * factor * rho / step, the two integer differences formed
// separately (in 64 bits, so extreme values cannot overflow) and added as reals.
inline Real Slope(std::int32_t before, std::int32_t here, std::int32_t after, Real step) {
  const Real forward = static_cast<Real>(std::int64_t{after} - here);
  const Real backward = static_cast<Real>(std::int64_t{here} - before);
  return -(forward + backward) * kDifferenceFactor * kRho / step;
}

inline Real Ksi(const ModelGrid& g, int p, int q, Real m) { return Slope(g.At(p - 1, q), g.At(p, q), g.At(p + 1, q), m); }
inline Real Eta(const ModelGrid& g, int p, int q, Real pl) { return Slope(g.At(p, q - 1), g.At(p, q), g.At(p, q + 1), pl); }

// The eight nodes around the cell (i, j) that the differences at its corners read besides the
// corners themselves all hold data.
bool NeighboursHaveData(const ModelGrid& g, int i, int j) {
  for (int q = j; q <= j + 1; ++q) {
    if (g.At(i - 1, q) == kNoData || g.At(i + 2, q) == kNoData) return false;
  }
  for (int p = i; p <= i + 1; ++p) {
    if (g.At(p, j - 1) == kNoData || g.At(p, j + 2) == kNoData) return false;
  }
  return true;
}

}  // namespace

Deflections DeflectionsAt(const ModelGrid& grid, const GridPosition& position, int maxRow, int maxColumn) {
  // Corners reach row i + 2 and column j + 2.
  maxRow = std::min(maxRow, kGridRows - 3);
  maxColumn = std::min(maxColumn, kGridColumns - 3);
  const int i = position.i;
  const int j = position.j;
  Deflections result;
  if (i < 2 || i > maxRow || j < 2 || j > maxColumn) return result;
  if (grid.HasNoData() && !(CellHasData(grid, position) && NeighboursHaveData(grid, i, j))) {
    result.noData = true;
    return result;
  }
  const Real row = static_cast<Real>(i);
  const Real m = 1111.9L + 0.0019L * row;   // 0.01 degree of meridian at the cell, metres
  const Real pl = 746.25L - 0.153L * row;   // 0.01 degree of parallel at the cell, metres
  const Real dx = position.dx;
  const Real dy = position.dy;
  const Real k00 = Ksi(grid, i, j, m);
  const Real k10 = Ksi(grid, i + 1, j, m);
  const Real k11 = Ksi(grid, i + 1, j + 1, m);
  const Real k01 = Ksi(grid, i, j + 1, m);
  const Real e00 = Eta(grid, i, j, pl);
  const Real e10 = Eta(grid, i + 1, j, pl);
  const Real e11 = Eta(grid, i + 1, j + 1, pl);
  const Real e01 = Eta(grid, i, j + 1, pl);
  result.computed = true;
  result.ksi = (1.0L - dx) * k00 * (1.0L - dy) + k10 * dx * (1.0L - dy) + k11 * dx * dy + (1.0L - dx) * k01 * dy;
  result.eta = (1.0L - dx) * e00 * (1.0L - dy) + e10 * dx * (1.0L - dy) + e11 * dx * dy + (1.0L - dx) * e01 * dy;
  return result;
}

}  // namespace solvanta
