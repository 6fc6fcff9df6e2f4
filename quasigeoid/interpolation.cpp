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

// KSI and ETA at the corner node (i + r - 1, j + c - 1) of the cell, r and c in 1..2.
inline Real Ksi(const CellNodes& n, int r, int c, Real m) { return Slope(n.At(r - 1, c), n.At(r, c), n.At(r + 1, c), m); }
inline Real Eta(const CellNodes& n, int r, int c, Real pl) { return Slope(n.At(r, c - 1), n.At(r, c), n.At(r, c + 1), pl); }

}  // namespace

Deflections DeflectionsAt(const CellNodes& nodes, const GridPosition& position, DeflectionLimits limits) {
  // Corners reach row i + 2 and column j + 2.
  const int maxRow = std::min(limits.maxRow, kGridRows - 3);
  const int maxColumn = std::min(limits.maxColumn, kGridColumns - 3);
  const int i = position.i;
  const int j = position.j;
  Deflections result;
  if (i < 2 || i > maxRow || j < 2 || j > maxColumn) return result;
  const unsigned corners = WeightedCorners(position);
  result.ksiMissing = !nodes.KsiHasData(corners);
  result.etaMissing = !nodes.EtaHasData(corners);
  if (result.ksiMissing && result.etaMissing) {
    result = Deflections{};
    result.noData = true;
    return result;
  }
  const Real row = static_cast<Real>(i);
  const Real m = 1111.9L + 0.0019L * row;   // 0.01 degree of meridian at the cell, metres
  const Real pl = 746.25L - 0.153L * row;   // 0.01 degree of parallel at the cell, metres
  const Real dx = position.dx;
  const Real dy = position.dy;
  // A corner of weight zero adds nothing (its nodes may lack data, so they are not read).
  auto weighed = [corners](unsigned bit, Real value) { return (corners & bit) ? value : 0.0L; };
  result.computed = true;
  // One component, bilinear in its values at the four corners.
  auto bilinear = [&](Real (*component)(const CellNodes&, int, int, Real), Real step) {
    const Real v00 = weighed(CellNodes::kCorner00, component(nodes, 1, 1, step));
    const Real v10 = weighed(CellNodes::kCorner10, component(nodes, 2, 1, step));
    const Real v11 = weighed(CellNodes::kCorner11, component(nodes, 2, 2, step));
    const Real v01 = weighed(CellNodes::kCorner01, component(nodes, 1, 2, step));
    return (1.0L - dx) * v00 * (1.0L - dy) + v10 * dx * (1.0L - dy) + v11 * dx * dy + (1.0L - dx) * v01 * dy;
  };
  if (!result.ksiMissing) result.ksi = bilinear(Ksi, m);
  if (!result.etaMissing) result.eta = bilinear(Eta, pl);
  return result;
}

Deflections DeflectionsAt(const ModelGrid& grid, const GridPosition& position, int maxRow, int maxColumn) {
  CellNodes nodes;
  grid.CellNodesAt(position.i, position.j, nodes);
  return DeflectionsAt(nodes, position, DeflectionLimits{maxRow, maxColumn});
}

}  // namespace solvanta
