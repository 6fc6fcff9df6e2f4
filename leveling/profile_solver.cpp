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
  sys.builtDiagonal.assign(static_cast<std::size_t>(lp) + 1, 0.0);
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
// A pivot below either bound is taken as zero: the system is singular at that row.
constexpr double kDefectPivot = 1e-10;       // m^-2
constexpr double kDefectPivotRatio = 1e-10;  // of the row's diagonal as built
}  // namespace

void FactorAndSolve(ProfileSystem& sys, int n, const std::function<void(int)>& onDefect) {
  double* a = sys.normalMatrix.data();
  double* b = sys.rightSide.data();
  sys.defectIndex = 0;
  if (sys.builtDiagonal.size() < static_cast<std::size_t>(n) + 1) sys.builtDiagonal.resize(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) sys.builtDiagonal[i] = a[sys.At(i, i)];
  for (int i = 1; i <= n; ++i) {
    const long long diag = sys.At(i, i);
    double d = a[diag];
    if (d < kDefectPivot || d < kDefectPivotRatio * sys.builtDiagonal[i]) {
      if (onDefect) onDefect(i);
      sys.defectIndex = i;
      d += 1.0;
    }
    const double r = 1.0 / std::sqrt(d);
    a[diag] = r;
    const double y = b[i] * r;
    b[i] = y;
    const int last = std::min(sys.LastColumn(i), n);
    if (i < n) {
      double* u = a + diag;  // u[q - i] is element (i, q)
      for (int q = i + 1; q <= last; ++q) u[q - i] *= r;
      for (int j = i + 1; j <= last; ++j) {
        const double uij = u[j - i];
        if (uij == 0.0) continue;  // nothing to subtract
        // Monotone profile: row j's band reaches at least to row i's last column.
        double* rowJ = a + sys.At(j, j);
        const double* ui = u + (j - i);
        const int count = last - j + 1;
        for (int c = 0; c < count; ++c) rowJ[c] -= uij * ui[c];
        b[j] -= uij * y;
      }
    }
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
void SelectedInverse(ProfileSystem& sys, int n) {
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
      const double* zk = a + sys.At(k, k);  // zk[j - k] = Z(k,j)
      double dot = zk[0] * uik;
      for (int j = k + 1; j <= last; ++j) {
        const double z = zk[j - k];
        acc[j - i] += uik * z;
        dot += z * u[j - i];
      }
      acc[k - i] += dot;
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
