#include "leveling/profile_solver.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "leveling/adjustment_run.h"

namespace kvel {

void RenumberPoints(ProfileSystem& sys, int pointCount, int startPoint,
                    const std::vector<std::vector<int>>& neighbours) {
  const int lp = std::max(pointCount, 0);
  sys.pointCount = lp;
  sys.newNumber.assign(static_cast<std::size_t>(lp) + 1, 0);
  sys.rowWidth.assign(static_cast<std::size_t>(lp) + 1, 0);
  sys.isolatedPartCount = 0;
  if (lp == 0) return;

  auto neighboursOf = [&](int p) -> const std::vector<int>* {
    return p >= 1 && static_cast<std::size_t>(p) < neighbours.size() ? &neighbours[p] : nullptr;
  };
  auto valid = [&](int p) { return p >= 1 && p <= lp; };

  std::vector<int> order(static_cast<std::size_t>(lp) + 1, 0);  // row -> catalogue index
  if (!valid(startPoint)) startPoint = 1;
  sys.isolatedPartCount = 1;
  sys.newNumber[startPoint] = 1;
  order[1] = startPoint;
  int head = 1;
  int tail = 1;
  int lowestUnnumbered = 1;  // only grows: the search for the next part never looks back
  for (;;) {
    if (const auto* list = neighboursOf(order[head])) {
      for (int p : *list) {
        if (valid(p) && sys.newNumber[p] == 0) {
          sys.newNumber[p] = ++tail;
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
    ++sys.isolatedPartCount;
    while (sys.newNumber[lowestUnnumbered] != 0) ++lowestUnnumbered;
    sys.newNumber[lowestUnnumbered] = ++tail;
    order[tail] = lowestUnnumbered;
    head = tail;
  }

  // The last column of row k is the larger of row k-1's last column and the row of p's
  // highest-numbered neighbour; that keeps the profile monotone, which the factorisation needs.
  for (int k = 1; k <= lp; ++k) {
    int width = k == 1 ? 1 : sys.rowWidth[k - 1] - 1;
    if (const auto* list = neighboursOf(order[k])) {
      for (int p : *list) {
        if (!valid(p)) continue;
        const int m = sys.newNumber[p];
        if (m > k && m - k + 1 > width) width = m - k + 1;
      }
    }
    sys.rowWidth[k] = std::max(width, 1);
  }
}

bool ReserveProfile(ProfileSystem& sys, orvane::TextWriter& report) {
  const int lp = sys.pointCount;
  sys.rowStart.assign(static_cast<std::size_t>(lp) + 2, 0);
  for (int k = 1; k <= lp; ++k) sys.rowStart[k + 1] = sys.rowStart[k] + sys.rowWidth[k];
  sys.reservedElementCount = lp >= 1 ? sys.rowStart[lp] + 2 : 1;

  report.Line(" ");
  report.Line(orvane::ToCp1250(" LICZBA REZERWOWANYCH ELEMENTÓW MACIERZY RÓWNAŃ NORMALNYCH = ") +
              orvane::IntegerField(sys.reservedElementCount));
  report.Line("  ");
  if (sys.reservedElementCount > ProfileElementLimit) {
    report.Line(" *** PRZEKROCZENIE ZAKRESU TABLICY URN");
    sys.normalMatrix.clear();
    sys.normalMatrix.shrink_to_fit();
    return false;
  }
  // The profile takes what this network needs, not the whole capacity.
  sys.normalMatrix.assign(static_cast<std::size_t>(sys.rowStart[lp + 1]) + 1, 0.0);
  sys.rightSide.assign(static_cast<std::size_t>(lp) + 2, 0.0);
  sys.correction.assign(static_cast<std::size_t>(lp) + 1, 0.0);
  sys.defectIndex = 0;
  return true;
}

void ClearSystem(ProfileSystem& sys) {
  std::fill(sys.normalMatrix.begin(), sys.normalMatrix.end(), 0.0);
  std::fill(sys.rightSide.begin(), sys.rightSide.end(), 0.0);
}

void AddObservationEquation(ProfileSystem& sys, int r1, int r2, double w, double l) {
  double* a = sys.normalMatrix.data();
  a[sys.At(r1, r1)] += w;
  a[sys.At(r2, r2)] += w;
  a[sys.At(r1, r2)] -= w;
  const double wl = w * l;
  sys.rightSide[r1] -= wl;
  sys.rightSide[r2] += wl;
  sys.rightSide[sys.pointCount + 1] += wl * l;
}

void AddPointWeight(ProfileSystem& sys, int r, double w) { sys.normalMatrix[sys.At(r, r)] += w; }

namespace {
// The two kernels that carry the run's cost are also built for AVX2 where the processor has it
// (chosen once at load time); without fused multiply-add, so every rounding stays the same.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ORVANE_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define ORVANE_WIDE_VECTORS
#endif

// A pivot below either bound is taken as zero: the system is singular at that row.
constexpr double kDefectPivot = 1e-10;       // m^-2
constexpr double kDefectPivotRatio = 1e-10;  // of the row's diagonal as built
}  // namespace

namespace {

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

}  // namespace

ORVANE_WIDE_VECTORS void FactorAndSolve(ProfileSystem& sys, int n, const std::function<void(int)>& onDefect) {
  double* a = sys.normalMatrix.data();
  double* b = sys.rightSide.data();
  sys.defectIndex = 0;
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
      sys.defectIndex = i;
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

  double* x = sys.correction.data();
  if (n >= 1) x[n] = -b[n] * a[sys.At(n, n)];
  for (int i = n - 1; i >= 1; --i) {
    const long long diag = sys.At(i, i);
    const int last = std::min(sys.LastColumn(i), n);
    double s = b[i];
    for (int q = i + 1; q <= last; ++q) s += a[diag + (q - i)] * x[q];
    x[i] = -s * a[diag];
  }
  if (b[n + 1] < 0) b[n + 1] = 0;
}

void InverseDiagonal(ProfileSystem& sys, int n) {
  const double* a = sys.normalMatrix.data();
  double* b = sys.rightSide.data();
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

double InverseQuadraticForm(ProfileSystem& sys, int n) {
  const double* a = sys.normalMatrix.data();
  double* b = sys.rightSide.data();
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
ORVANE_WIDE_VECTORS void SelectedInverse(ProfileSystem& sys, int n) {
  double* a = sys.normalMatrix.data();
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

double InverseElement(const ProfileSystem& sys, int a, int b) {
  if (a > b) std::swap(a, b);
  return sys.normalMatrix[sys.At(a, b)];
}

orvane::RunOutcome PrepareNormalEquations(AdjustmentRun& run) {
  ProfileSystem& sys = run.normal;
  RenumberPoints(sys, run.PointCount(), run.startPoint, run.neighbours);
  if (sys.isolatedPartCount > 1) {
    run.Report(orvane::ToCp1250("  UWAGA: sieć zawiera ") +
               orvane::IntegerField(sys.isolatedPartCount) +
               orvane::ToCp1250(" układy odosobnione"));
  }
  if (!ReserveProfile(sys, run.report)) {
    if (run.host) run.host->ShowInformation(orvane::ToCp1250(" *** PRZEKROCZENIE ZAKRESU TABLICY WEWNĘTRZNEJ"));
    return orvane::RunOutcome::Stopped;
  }
  return orvane::RunOutcome::Finished;
}

}  // namespace kvel
