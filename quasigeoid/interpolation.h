#pragma once
// Height anomaly N and deflections of the vertical (KSI, ETA) at one point, from the model grid.
//
// Per point the three steps run in this order: LocateCell, AnomalyAt, DeflectionsAt; the last two
// need an admissible position. N is bilinear in the cell (extrapolated linearly within one step
// outside the grid); the deflections are bilinear in the central differences of the grid at the
// four corners. All arithmetic is extended precision; nothing allocates.
//
// Variants used by the tasks:
//   BL -> BLN             clamping On,  deflections with kAnomalyListLimits
//   BLH_e -> BLH_n.1      clamping On,  deflections with kEllipsoidalToNormalLimits
//   BLH_n -> BLH_e.1      clamping On,  no deflections
//   BLH.grs stations      clamping Off, no deflections
#include <cstdint>

#include "quasigeoid/geodesy.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

// Frame of the ellipsoidal heights and of N, by its integer code (0 while none is chosen).
enum class ReferenceFrame : int { None = 0, Etrf89 = 1, Etrf2000 = 3 };

// A point as read: integer degrees and minutes, real seconds. Minutes and seconds are not
// range-tested (75 minutes count as 1 degree 15 minutes).
struct GeodeticPoint {
  std::int32_t bDegrees = 0;
  std::int32_t bMinutes = 0;
  Real bSeconds = 0;
  std::int32_t lDegrees = 0;
  std::int32_t lMinutes = 0;
  Real lSeconds = 0;
};

// Where a point lies in the grid: x (rows) and y (columns) as reals, the cell (i, j) whose
// south-west corner is node (i, j), and the fractions dx = x - i, dy = y - j.
struct GridPosition {
  Real x = 0;
  Real y = 0;
  int i = 0;
  int j = 0;
  Real dx = 0;
  Real dy = 0;
};

// Edge clamping puts a point on the northern or eastern edge (row 800, column 1200) into the
// last cell, and lets the band of one step beyond those edges extrapolate.
enum class EdgeClamping { Off, On };

// Largest cell row and column that still get deflections.
struct DeflectionLimits {
  int maxRow;
  int maxColumn;
};
inline constexpr DeflectionLimits kAnomalyListLimits{797, 1197};          // BL -> BLN
inline constexpr DeflectionLimits kEllipsoidalToNormalLimits{798, 1198};  // BLH_e -> BLH_n.1

struct Deflections {
  bool computed = false;  // false: KSI = ETA = 0, print the placeholders
  Real ksi = 0;           // meridian component, arc-seconds
  Real eta = 0;           // prime-vertical component, arc-seconds
  // The cell gets deflections, but a node they need has no data: the point lies outside the
  // model's coverage for both (computed is false).
  bool noData = false;
  // Computed, but one component's own nodes lack data: that one is not given (its value is 0).
  bool ksiMissing = false;
  bool etaMissing = false;
};

// Latitude and longitude of the point in arc-seconds. The whole degrees and minutes are summed
// in 64-bit integers, so no degree value can overflow into the model's area.
inline void PointSeconds(const GeodeticPoint& point, Real& bSeconds, Real& lSeconds) {
  const std::int64_t b = std::int64_t{point.bDegrees} * 3600 + std::int64_t{point.bMinutes} * 60;
  const std::int64_t l = std::int64_t{point.lDegrees} * 3600 + std::int64_t{point.lMinutes} * 60;
  bSeconds = static_cast<Real>(b) + point.bSeconds;
  lSeconds = static_cast<Real>(l) + point.lSeconds;
}

// Truncation toward zero of an extended real in (-2^31, 2^31). A plain conversion switches the
// x87 rounding mode there and back, which stalls the point-list loop; adding and taking away
// 1.5 * 2^63 rounds to the nearest whole number exactly, and a whole number goes through double
// unchanged.
inline int TruncateToInt(Real v) {
  constexpr Real kShift = 13835058055282163712.0L;  // 1.5 * 2^63: its neighbours are whole numbers
  Real r = (v + kShift) - kShift;
  if (v >= 0 && r > v) r -= 1.0L;
  if (v < 0 && r < v) r += 1.0L;
  return static_cast<int>(static_cast<double>(r));
}

// Finds the cell of the point. False when the point lies outside the admissible area:
// with clamping 47.99 < B < 56.01 and 12.99 < L < 25.01 degrees, without it 47.99 < B < 56.00 and
// 12.99 < L < 25.00. NaN or huge seconds are outside too.
inline bool LocateCell(const GeodeticPoint& point, EdgeClamping clamping, GridPosition& position) {
  Real bSeconds;
  Real lSeconds;
  PointSeconds(point, bSeconds, lSeconds);
  // x = (B / 3600 - 48) * 100 and y = (L / 3600 - 13) * 100, formed as (B - 48 deg) / 36":
  // the subtraction is exact, so a point on a node (seconds a multiple of 36) lands on it with
  // dx = dy = 0, and 47.99 or 56.01 degrees fall exactly on the bounds of the area. Divided
  // by 3600 first, about every other node came out a hair short and fell into the cell below.
  const Real x = (bSeconds - 48.0L * 3600.0L) / 36.0L;
  const Real y = (lSeconds - 13.0L * 3600.0L) / 36.0L;
  // The cell index truncates toward zero (x in (-1, 0) gives row 0), so only values in
  // (-1, last + 1) can give an admissible cell; testing first keeps the conversion defined.
  if (!(x > -1.0L && x < static_cast<Real>(kGridRows)) || !(y > -1.0L && y < static_cast<Real>(kGridColumns))) {
    return false;
  }
  int i = TruncateToInt(x);
  int j = TruncateToInt(y);
  if (clamping == EdgeClamping::On) {
    if (i == kGridRows - 1) i = kGridRows - 2;
    if (j == kGridColumns - 1) j = kGridColumns - 2;
  }
  if (i < 0 || i > kGridRows - 2 || j < 0 || j > kGridColumns - 2) return false;
  position.x = x;
  position.y = y;
  position.i = i;
  position.j = j;
  position.dx = x - static_cast<Real>(i);
  position.dy = y - static_cast<Real>(j);
  return true;
}

// The corners of the position's cell whose bilinear weight is not zero (CellNodes::kCorner00 ...):
// a point on a node weighs that node alone, a point on a cell side the two nodes of that side.
inline unsigned WeightedCorners(const GridPosition& position) {
  unsigned corners = CellNodes::kAllCorners;
  if (position.dx == 0) corners &= CellNodes::kCorner00 | CellNodes::kCorner01;
  if (position.dx == 1) corners &= CellNodes::kCorner10 | CellNodes::kCorner11;
  if (position.dy == 0) corners &= CellNodes::kCorner00 | CellNodes::kCorner10;
  if (position.dy == 1) corners &= CellNodes::kCorner01 | CellNodes::kCorner11;
  return corners;
}

// True when the corners that N weighs at the position hold data, so N can be interpolated. A
// grid without nodata nodes (HasNoData false) answers without looking.
inline bool CellHasData(const ModelGrid& grid, const GridPosition& position) {
  if (!grid.HasNoData()) return true;
  CellNodes nodes;
  grid.CellNodesAt(position.i, position.j, nodes);
  return nodes.CornersHaveData(WeightedCorners(position));
}

// The bilinear N (PL-ETRF2000), metres, from the nodes of the position's cell, whose weighted
// corners must hold data (CellNodes::CornersHaveData(WeightedCorners(position))).
inline Real GridAnomalyAt(const CellNodes& nodes, const GridPosition& position) {
  const Real dx = position.dx;
  const Real dy = position.dy;
  // A corner of weight zero may hold kNoData: its weight is exactly 0 then, so it adds 0.
  const Real a00 = static_cast<Real>(nodes.At(1, 1)) * kGridUnit;
  const Real a10 = static_cast<Real>(nodes.At(2, 1)) * kGridUnit;
  const Real a11 = static_cast<Real>(nodes.At(2, 2)) * kGridUnit;
  const Real a01 = static_cast<Real>(nodes.At(1, 2)) * kGridUnit;
  return (1.0L - dx) * a00 * (1.0L - dy) + a10 * dx * (1.0L - dy) + a11 * dx * dy + (1.0L - dx) * a01 * dy;
}

// The bilinear N of the grid (PL-ETRF2000), metres.
inline Real GridAnomalyAt(const ModelGrid& grid, const GridPosition& position) {
  CellNodes nodes;
  grid.CellNodesAt(position.i, position.j, nodes);
  return GridAnomalyAt(nodes, position);
}

// A PL-ETRF2000 height anomaly at (B, L) in arc-seconds, taken as an ellipsoidal height through
// BlhToXyz, Etrf2000ToEtrf89 and back: the PL-ETRF89 anomaly, metres.
Real AnomalyInEtrf89(Real bSeconds, Real lSeconds, Real anomaly2000);

// The grid's PL-ETRF2000 anomaly `n` at `point` in `frame`: unchanged but for PL-ETRF89.
inline Real AnomalyInFrame(Real n, ReferenceFrame frame, const GeodeticPoint& point) {
  if (frame != ReferenceFrame::Etrf89) return n;
  Real bSeconds;
  Real lSeconds;
  PointSeconds(point, bSeconds, lSeconds);
  return AnomalyInEtrf89(bSeconds, lSeconds, n);
}

// N in metres in `frame` at an admissible position of `point`. Every frame but PL-ETRF89 gets
// the grid's own PL-ETRF2000 value.
inline Real AnomalyAt(const ModelGrid& grid, const GridPosition& position, ReferenceFrame frame,
                      const GeodeticPoint& point) {
  return AnomalyInFrame(GridAnomalyAt(grid, position), frame, point);
}

// KSI and ETA in arc-seconds at an admissible position, computed only for cells with
// 2 <= i <= maxRow and 2 <= j <= maxColumn (limits above 798 and 1198 are cut to those, the
// largest cells whose differences stay inside the grid). The same for both frames. `nodes` are
// those of the position's cell. Only the corners of non-zero weight are read. When a node that
// one component's differences need has no data, that component is not given (ksiMissing,
// etaMissing); when both lack data, neither is computed and noData is set.
Deflections DeflectionsAt(const CellNodes& nodes, const GridPosition& position, DeflectionLimits limits);
Deflections DeflectionsAt(const ModelGrid& grid, const GridPosition& position, int maxRow, int maxColumn);
inline Deflections DeflectionsAt(const ModelGrid& grid, const GridPosition& position, DeflectionLimits limits) {
  return DeflectionsAt(grid, position, limits.maxRow, limits.maxColumn);
}

}  // namespace solvanta
