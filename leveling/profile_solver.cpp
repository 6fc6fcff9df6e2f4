#include "leveling/profile_solver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "leveling/factor_common.h"

namespace kvel {

void ProfileMatrix::Renumber(int pointCount, int startPoint, const std::vector<std::vector<int>>& neighbours) {
  const int lp = std::max(pointCount, 0);
  order_ = lp;
  newNumber_.assign(static_cast<std::size_t>(lp) + 1, 0);
  rowWidth_.assign(static_cast<std::size_t>(lp) + 1, 0);
  isolatedPartCount_ = 0;
  if (lp == 0) return;

  auto neighboursOf = [&](int p) -> const std::vector<int>* {
    return p >= 1 && static_cast<std::size_t>(p) < neighbours.size() ? &neighbours[p] : nullptr;
  };
  auto valid = [&](int p) { return p >= 1 && p <= lp; };

  std::vector<int> order(static_cast<std::size_t>(lp) + 1, 0);  // row -> catalogue index
  if (!valid(startPoint)) startPoint = 1;
  isolatedPartCount_ = 1;
  newNumber_[startPoint] = 1;
  order[1] = startPoint;
  int head = 1;
  int tail = 1;
  int lowestUnnumbered = 1;  // only grows: the search for the next part never looks back
  for (;;) {
    if (const auto* list = neighboursOf(order[head])) {
      for (int p : *list) {
        if (valid(p) && newNumber_[p] == 0) {
          newNumber_[p] = ++tail;
          order[tail] = p;
        }
      }
    }
    if (head == lp) break;
    if (tail > head) {
      ++head;
      continue;
    }
    // The queue is exhausted before every point has its row: another part of the network.
    ++isolatedPartCount_;
    while (newNumber_[lowestUnnumbered] != 0) ++lowestUnnumbered;
    newNumber_[lowestUnnumbered] = ++tail;
    order[tail] = lowestUnnumbered;
    head = tail;
  }

  // The last column of row k is the larger of row k-1's last column and the row of p's
  // highest-numbered neighbour; that keeps the profile monotone, which the factorisation needs.
  for (int k = 1; k <= lp; ++k) {
    int width = k == 1 ? 1 : rowWidth_[k - 1] - 1;
    if (const auto* list = neighboursOf(order[k])) {
      for (int p : *list) {
        if (!valid(p)) continue;
        const int m = newNumber_[p];
        if (m > k && m - k + 1 > width) width = m - k + 1;
      }
    }
    rowWidth_[k] = std::max(width, 1);
  }
}

void ProfileMatrix::SetShape(std::vector<int> rowWidths) {
  order_ = std::max(static_cast<int>(rowWidths.size()) - 1, 0);
  rowWidth_ = std::move(rowWidths);
  rowWidth_.resize(static_cast<std::size_t>(order_) + 1);
  newNumber_.assign(static_cast<std::size_t>(order_) + 1, 0);
  for (int k = 1; k <= order_; ++k) newNumber_[k] = k;
  isolatedPartCount_ = order_ > 0 ? 1 : 0;
}

bool ProfileMatrix::InsideProfile(int a, int b) const {
  if (a > b) std::swap(a, b);
  return a >= 1 && b <= order_ && b <= LastColumn(a);
}

bool ProfileMatrix::Reserve() {
  const int lp = order_;
  rowStart_.assign(static_cast<std::size_t>(lp) + 2, 0);
  for (int k = 1; k <= lp; ++k) rowStart_[k + 1] = rowStart_[k] + rowWidth_[k];
  reservedElementCount_ = lp >= 1 ? rowStart_[lp] + 2 : 1;
  if (reservedElementCount_ > ProfileElementLimit) {
    a_.clear();
    a_.shrink_to_fit();
    return false;
  }
  // The profile takes what this network needs, not the whole capacity.
  a_.assign(static_cast<std::size_t>(rowStart_[lp + 1]) + 1, 0.0);
  b_.assign(static_cast<std::size_t>(lp) + 2, 0.0);
  x_.assign(static_cast<std::size_t>(lp) + 1, 0.0);
  defectRow_ = 0;
  inverted_ = false;
  return true;
}

void ProfileMatrix::Clear() {
  inverted_ = false;
  std::fill(a_.begin(), a_.end(), 0.0);
  std::fill(b_.begin(), b_.end(), 0.0);
}

void ProfileMatrix::AddObservation(int r1, int r2, double w, double l) {
  double* a = a_.data();
  a[At(r1, r1)] += w;
  a[At(r2, r2)] += w;
  a[At(r1, r2)] -= w;
  const double wl = w * l;
  b_[r1] -= wl;
  b_[r2] += wl;
  b_[order_ + 1] += wl * l;
}

void ProfileMatrix::AddPointWeight(int r, double w) { a_[At(r, r)] += w; }

namespace {

// The shape of the profile as the kernels read it.
struct Band {
  const long long* rowStart;
  const int* rowWidth;
  long long At(int r, int q) const { return rowStart[r] + 1 + (q - r); }
  int LastColumn(int r) const { return r + rowWidth[r] - 1; }
};

// Row i (from column i on) minus the rows k1 < k2 < k3 < k4 above it, each scaled by its
// u(k, i), every element receiving the subtractions in the order of k. x[j] points at u(kj, i),
// count[j] is the number of columns of row kj from column i on (never decreasing with k).
inline void SubtractFourRows(double* row, const double* const x[4], const double u[4], const int count[4]) {
  int c = 0;
  for (; c < count[0]; ++c) {
    double t = row[c];
    t -= u[0] * x[0][c];
    t -= u[1] * x[1][c];
    t -= u[2] * x[2][c];
    t -= u[3] * x[3][c];
    row[c] = t;
  }
  for (; c < count[1]; ++c) {
    double t = row[c];
    t -= u[1] * x[1][c];
    t -= u[2] * x[2][c];
    t -= u[3] * x[3][c];
    row[c] = t;
  }
  for (; c < count[2]; ++c) {
    double t = row[c];
    t -= u[2] * x[2][c];
    t -= u[3] * x[3][c];
    row[c] = t;
  }
  for (; c < count[3]; ++c) row[c] -= u[3] * x[3][c];
}

ORVANE_WIDE_VECTORS int FactorAndSolveKernel(const Band& sys, int n, double* a, double* b, double* x,
                                              const std::function<void(int)>& onDefect) {
  int defectRow = 0;
  // Row by row, each row gathering the updates of the rows above it before its own pivot is
  // taken. Every element receives exactly the subtractions u(k,i)*u(k,q) of the row-by-row
  // elimination, in the same order (k rising), so the factor is the same to the last bit. The
  // rows above are only read, four at a time, so that each element of row i is loaded and
  // stored once per four of them.
  int first = 1;  // the first row whose band reaches row i (bands' last columns never decrease)
  for (int i = 1; i <= n; ++i) {
    while (first < i && sys.LastColumn(first) < i) ++first;
    double* rowI = a + sys.At(i, i);  // rowI[q - i] is element (i, q)
    const double built = rowI[0];
    double bi = b[i];
    const double* x[4];
    double u[4];
    int count[4];
    int group = 0;
    for (int k = first; k < i; ++k) {
      const double* rowK = a + sys.At(k, k);  // rowK[q - k] is u(k, q), row k already factored
      const double uki = rowK[i - k];
      if (uki == 0.0) continue;  // nothing to subtract
      x[group] = rowK + (i - k);
      u[group] = uki;
      count[group] = std::min(sys.LastColumn(k), n) - i + 1;
      bi -= uki * b[k];  // b[k] holds y(k)
      if (++group == 4) {
        SubtractFourRows(rowI, x, u, count);
        group = 0;
      }
    }
    for (int g = 0; g < group; ++g)
      for (int c = 0; c < count[g]; ++c) rowI[c] -= u[g] * x[g][c];

    double d = rowI[0];
    if (d < kDefectPivot || d < kDefectPivotRatio * built) {
      if (onDefect) onDefect(i);
      defectRow = i;
      d += 1.0;
    }
    const double r = 1.0 / std::sqrt(d);
    rowI[0] = r;
    const double y = bi * r;
    b[i] = y;
    const int last = std::min(sys.LastColumn(i), n);
    for (int q = i + 1; q <= last; ++q) rowI[q - i] *= r;
    b[n + 1] -= y * y;
  }

  if (n >= 1) x[n] = -b[n] * a[sys.At(n, n)];
  for (int i = n - 1; i >= 1; --i) {
    const long long diag = sys.At(i, i);
    const int last = std::min(sys.LastColumn(i), n);
    double s = b[i];
    for (int q = i + 1; q <= last; ++q) s += a[diag + (q - i)] * x[q];
    x[i] = -s * a[diag];
  }
  if (b[n + 1] < 0) b[n + 1] = 0;
  return defectRow;
}

// The diagonal of the inverse into b[1..n] (b holds n + 1 elements at least).
void InverseDiagonalKernel(const Band& sys, int n, const double* a, double* b) {
  for (int i = 1; i <= n; ++i) {
    std::fill(b + i, b + n + 1, 0.0);
    b[i] = 1.0;
    double sum = 0;
    for (int k = i; k <= n; ++k) {
      const long long diag = sys.At(k, k);
      const double t = b[k] * a[diag];
      const int last = std::min(sys.LastColumn(k), n);
      for (int q = k + 1; q <= last; ++q) b[q] -= t * a[diag + (q - k)];
      sum += t * t;
    }
    b[i] = sum;
  }
}

// x' N^-1 x for x in b[1..n]; b is destroyed.
double InverseQuadraticFormKernel(const Band& sys, int n, const double* a, double* b) {
  double result = 0;
  for (int k = 1; k <= n; ++k) {
    if (b[k] == 0.0) continue;
    const long long diag = sys.At(k, k);
    const double t = b[k] * a[diag];
    const int last = std::min(sys.LastColumn(k), n);
    for (int q = k + 1; q <= last; ++q) b[q] -= t * a[diag + (q - k)];
    result += t * t;
  }
  return result;
}

// With N = U'U, U upper with diagonal 1/r(i) and off-diagonal u(i,q), the inverse Z satisfies
// U Z = U'^-1, whose diagonal is r(i) and which is zero above it. Row i of that identity gives
//   Z(i,j) = -r(i) * sum_k u(i,k) Z(k,j)           for j > i,
//   Z(i,i) = r(i) * (r(i) - sum_k u(i,k) Z(k,i)),
// the sums running over row i's band. Every Z(k,j) needed lies in the band of rows below i
// (the profile is monotone), so working from the last row up the band of Z is closed.
ORVANE_WIDE_VECTORS void SelectedInverseKernel(const Band& sys, int n, double* a) {
  int widest = 1;
  for (int i = 1; i <= n; ++i) widest = std::max(widest, sys.rowWidth[i]);
  std::vector<double> acc(static_cast<std::size_t>(widest) + 1, 0.0);

  for (int i = n; i >= 1; --i) {
    const long long diag = sys.At(i, i);
    const double r = a[diag];
    const int last = std::min(sys.LastColumn(i), n);
    const int w = last - i;  // off-diagonal elements of row i
    double* u = a + diag;    // u[k - i] is u(i,k) until overwritten below
    std::fill(acc.begin(), acc.begin() + w + 1, 0.0);
    // acc[j - i] = sum_k u(i,k) Z(k,j) over k in (i, last]: a symmetric product with the rows
    // of Z below, each used once and contiguously (Z(k,j) for j >= k, Z(j,k) as Z(k,j) for j < k).
    for (int k = i + 1; k <= last; ++k) {
      const double uik = u[k - i];
      const double* z = a + sys.At(k, k) + 1;  // z[c] = Z(k, k+1+c)
      const double* uj = u + (k - i) + 1;      // uj[c] = u(i, k+1+c)
      double* accj = acc.data() + (k - i) + 1;
      const int count = last - k;
      // Four partial sums let the dot product run without waiting on each addition.
      double d0 = 0, d1 = 0, d2 = 0, d3 = 0;
      int c = 0;
      for (; c + 4 <= count; c += 4) {
        accj[c] += uik * z[c];
        accj[c + 1] += uik * z[c + 1];
        accj[c + 2] += uik * z[c + 2];
        accj[c + 3] += uik * z[c + 3];
        d0 += z[c] * uj[c];
        d1 += z[c + 1] * uj[c + 1];
        d2 += z[c + 2] * uj[c + 2];
        d3 += z[c + 3] * uj[c + 3];
      }
      for (; c < count; ++c) {
        accj[c] += uik * z[c];
        d0 += z[c] * uj[c];
      }
      acc[k - i] += z[-1] * uik + ((d0 + d1) + (d2 + d3));
    }
    double diagSum = 0;
    for (int j = i + 1; j <= last; ++j) {
      const double zij = -r * acc[j - i];
      diagSum += u[j - i] * zij;
      acc[j - i] = zij;
    }
    u[0] = r * (r - diagSum);
    for (int j = i + 1; j <= last; ++j) u[j - i] = acc[j - i];
  }
}

// Rows 1..n of the factor (diagonal r(i) = 1/u(i,i)) applied to columns held side by side in y
// (row r at y[r * cols], cols = starts.size()): U' t = y from the first row of each column down
// (`starts` rising: column s is zero above row starts[s]), then U z = t from the last row up.
ORVANE_WIDE_VECTORS void SolveSideBySideKernel(Band band, int n, const double* u, const std::vector<int>& starts,
                                               double* y) {
  const std::size_t cols = starts.size();
  std::size_t active = 0;
  for (int k = cols > 0 ? starts[0] : n + 1; k <= n; ++k) {
    while (active < cols && starts[active] <= k) ++active;
    const long long diag = band.At(k, k);
    double* yk = y + k * cols;
    for (std::size_t c = 0; c < active; ++c) yk[c] *= u[diag];
    const int last = std::min(band.LastColumn(k), n);
    for (int q = k + 1; q <= last; ++q) {
      const double ukq = u[diag + (q - k)];
      if (ukq == 0.0) continue;
      double* yq = y + q * cols;
      for (std::size_t c = 0; c < active; ++c) yq[c] -= ukq * yk[c];
    }
  }
  for (int i = n; i >= 1; --i) {
    const long long diag = band.At(i, i);
    const int last = std::min(band.LastColumn(i), n);
    double* yi = y + i * cols;
    for (int q = i + 1; q <= last; ++q) {
      const double uiq = u[diag + (q - i)];
      if (uiq == 0.0) continue;
      const double* yq = y + q * cols;
      for (std::size_t c = 0; c < cols; ++c) yi[c] -= uiq * yq[c];
    }
    for (std::size_t c = 0; c < cols; ++c) yi[c] *= u[diag];
  }
}

}  // namespace

void ProfileMatrix::FactorAndSolve(const std::function<void(int)>& onDefect) {
  inverted_ = false;
  defectRow_ = FactorAndSolveKernel(Band{rowStart_.data(), rowWidth_.data()}, order_, a_.data(), b_.data(), x_.data(),
                                    onDefect);
}

void ProfileMatrix::SolveColumns(std::vector<std::vector<double>>& columns) const {
  const int n = order_;
  const std::size_t cols = columns.size();
  // Columns in the order of their first non-zero row: the forward pass takes each column in only
  // from there on.
  std::vector<std::pair<int, std::size_t>> order;
  order.reserve(cols);
  for (std::size_t c = 0; c < cols; ++c) {
    int first = n + 1;
    for (int r = 1; r <= n; ++r) {
      if (columns[c][r] != 0.0) {
        first = r;
        break;
      }
    }
    order.push_back({first, c});
  }
  std::sort(order.begin(), order.end());
  std::vector<int> starts;
  starts.reserve(cols);
  std::vector<double> y((static_cast<std::size_t>(n) + 1) * cols, 0.0);
  for (std::size_t s = 0; s < cols; ++s) {
    starts.push_back(order[s].first);
    const std::vector<double>& x = columns[order[s].second];
    for (int r = 1; r <= n; ++r) y[r * cols + s] = x[r];
  }
  SolveSideBySideKernel(Band{rowStart_.data(), rowWidth_.data()}, n, a_.data(), starts, y.data());
  for (std::size_t s = 0; s < cols; ++s) {
    std::vector<double>& x = columns[order[s].second];
    for (int r = 1; r <= n; ++r) x[r] = y[r * cols + s];
  }
}

bool ProfileMatrix::FactorIsFinite() const {
  for (int r = 1; r <= order_; ++r)
    if (!std::isfinite(a_[At(r, r)])) return false;
  return true;
}

std::vector<double> ProfileMatrix::Solve(std::vector<double> rhs) const {
  const Band band{rowStart_.data(), rowWidth_.data()};
  const int n = order_;
  const double* a = a_.data();
  rhs.resize(static_cast<std::size_t>(n) + 1, 0.0);
  // U' y = rhs, row by row: y(i) = (rhs(i) - sum over k < i of u(k,i) y(k)) r(i).
  for (int i = 1; i <= n; ++i) {
    const long long diag = band.At(i, i);
    const double y = rhs[i] * a[diag];
    rhs[i] = y;
    const int last = std::min(band.LastColumn(i), n);
    for (int q = i + 1; q <= last; ++q) rhs[q] -= a[diag + (q - i)] * y;
  }
  // U x = y from the last row up.
  for (int i = n; i >= 1; --i) {
    const long long diag = band.At(i, i);
    const int last = std::min(band.LastColumn(i), n);
    double s = rhs[i];
    for (int q = i + 1; q <= last; ++q) s -= a[diag + (q - i)] * rhs[q];
    rhs[i] = s * a[diag];
  }
  return rhs;
}

void ProfileMatrix::Invert(InverseMethod method) {
  if (inverted_ && method == inverse_) return;
  if (inverted_ && inverse_ == InverseMethod::Selected) return;  // the factor is gone; the cofactors stay
  inverted_ = true;
  inverse_ = method;
  if (method == InverseMethod::Reference) {
    referenceDiagonal_ = ReferenceInverseDiagonal();
  } else {
    referenceDiagonal_.clear();
    SelectedInverseKernel(Band{rowStart_.data(), rowWidth_.data()}, order_, a_.data());
  }
}

double ProfileMatrix::Q(int a, int b) const {
  if (inverse_ == InverseMethod::Reference) {
    if (a == b) return referenceDiagonal_[a];
    return 0.5 * (referenceDiagonal_[a] + referenceDiagonal_[b] - DifferenceCofactor(a, b));
  }
  if (a > b) std::swap(a, b);
  return a_[At(a, b)];
}

double ProfileMatrix::DifferenceCofactor(int a, int b) const {
  if (inverse_ == InverseMethod::Reference) {
    std::vector<double> x(static_cast<std::size_t>(order_) + 2, 0.0);
    x[a] = -1.0;
    x[b] = 1.0;
    return ReferenceQuadraticForm(std::move(x));
  }
  const double g = Q(a, a) + Q(b, b) - 2.0 * Q(a, b);
  return std::max(g, 0.0);  // a sum of squares; rounding must not make it negative
}

std::vector<double> ProfileMatrix::ReferenceInverseDiagonal() const {
  std::vector<double> diagonal(static_cast<std::size_t>(order_) + 2, 0.0);
  InverseDiagonalKernel(Band{rowStart_.data(), rowWidth_.data()}, order_, a_.data(), diagonal.data());
  diagonal.resize(static_cast<std::size_t>(order_) + 1);
  return diagonal;
}

double ProfileMatrix::ReferenceQuadraticForm(std::vector<double> x) const {
  x.resize(static_cast<std::size_t>(order_) + 2, 0.0);
  return InverseQuadraticFormKernel(Band{rowStart_.data(), rowWidth_.data()}, order_, a_.data(), x.data());
}

}  // namespace kvel
