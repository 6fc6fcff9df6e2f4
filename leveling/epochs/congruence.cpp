#include "leveling/epochs/congruence.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>

namespace kvel::epochs {

namespace {

// [pvv] below this many times its degrees of freedom is zero up to rounding: the residuals are a
// millionth of their mean errors.
constexpr double kZeroPvvPerDegree = 1e-12;

// The reference points common to the two epochs, their differences and the dense block of the
// summed cofactors Q_a + Q_b among them (each epoch in its own datum; the forms below do not
// depend on it).
struct ReferenceBlock {
  std::vector<std::size_t> reference;  // the reference list's numbers
  std::vector<double> delta;           // later minus earlier height
  std::vector<double> q;               // n x n, row-major
  std::size_t n = 0;
  double Q(std::size_t i, std::size_t j) const { return q[i * n + j]; }
};

// The quadratic form d' Q_d^+ d over `set` (positions in the block), written with one point of
// the set as base: d_i - d_base with the cofactors Q_ii - Q_i,base - Q_base,i + Q_base,base, which
// give the same form as the pseudo-inverse in any datum. With `theta`, for each other point of the
// set the amount by which its removal lowers the form: (M^-1 d)_i^2 / (M^-1)_ii.
struct Form {
  bool ok = false;
  double value = 0;
  std::vector<double> theta;  // by position in `set`; the base's entry unused
};

Form FormOver(const ReferenceBlock& block, const std::vector<std::size_t>& set, std::size_t base, bool withTheta) {
  Form form;
  std::vector<std::size_t> idx;
  for (std::size_t p = 0; p < set.size(); ++p)
    if (p != base) idx.push_back(set[p]);
  const std::size_t b0 = set[base];
  const std::size_t m = idx.size();
  std::vector<double> l(m * m, 0.0), y(m, 0.0);
  double largest = 0;
  for (std::size_t i = 0; i < m; ++i) {
    y[i] = block.delta[idx[i]] - block.delta[b0];
    for (std::size_t j = 0; j <= i; ++j)
      l[i * m + j] = block.Q(idx[i], idx[j]) - block.Q(idx[i], b0) - block.Q(b0, idx[j]) + block.Q(b0, b0);
    largest = std::max(largest, l[i * m + i]);
  }
  // Cholesky M = L L' in the lower triangle.
  for (std::size_t j = 0; j < m; ++j) {
    double d = l[j * m + j];
    for (std::size_t k = 0; k < j; ++k) d -= l[j * m + k] * l[j * m + k];
    if (!(d > 1e-13 * largest)) return form;  // not positive definite: cofactors unusable
    const double pivot = std::sqrt(d);
    l[j * m + j] = pivot;
    for (std::size_t i = j + 1; i < m; ++i) {
      double s = l[i * m + j];
      for (std::size_t k = 0; k < j; ++k) s -= l[i * m + k] * l[j * m + k];
      l[i * m + j] = s / pivot;
    }
  }
  // y := L^-1 d; the form is |y|^2.
  for (std::size_t i = 0; i < m; ++i) {
    double s = y[i];
    for (std::size_t k = 0; k < i; ++k) s -= l[i * m + k] * y[k];
    y[i] = s / l[i * m + i];
    form.value += y[i] * y[i];
  }
  form.ok = true;
  if (!withTheta) return form;
  // z = M^-1 d = L'^-1 y, and the diagonal of M^-1 = L'^-1 L^-1 from the columns of L^-1.
  std::vector<double> z(y);
  for (std::size_t i = m; i-- > 0;) {
    double s = z[i];
    for (std::size_t k = i + 1; k < m; ++k) s -= l[k * m + i] * z[k];
    z[i] = s / l[i * m + i];
  }
  std::vector<double> inverseDiagonal(m, 0.0), x(m, 0.0);
  for (std::size_t j = 0; j < m; ++j) {
    for (std::size_t i = j; i < m; ++i) {
      double s = i == j ? 1.0 : 0.0;
      for (std::size_t k = j; k < i; ++k) s -= l[i * m + k] * x[k];
      x[i] = s / l[i * m + i];
      inverseDiagonal[j] += x[i] * x[i];
    }
  }
  form.theta.assign(set.size(), 0.0);
  std::size_t i = 0;
  for (std::size_t p = 0; p < set.size(); ++p) {
    if (p == base) continue;
    form.theta[p] = z[i] * z[i] / inverseDiagonal[i];
    ++i;
  }
  return form;
}

GlobalTest TestOf(const ReferenceBlock& block, const std::vector<std::size_t>& set, const PairComparison& pair,
                  double alpha, bool& ok) {
  GlobalTest test;
  test.points = static_cast<int>(set.size());
  test.h = test.points - 1;
  ok = true;
  if (test.h < 1) return test;  // one point: nothing to compare it with
  const Form form = FormOver(block, set, 0, false);
  ok = form.ok;
  if (!ok) return test;  // no form: told in the report, the points kept as they are
  test.form = form.value;
  test.statistic = form.value / (test.h * pair.s0squared);
  test.critical = FQuantile(alpha, test.h, pair.dof);
  test.congruent = test.statistic <= test.critical;
  return test;
}

void ChooseVarianceFactor(const EpochSolution& a, const EpochSolution& b, const CongruenceOptions& options,
                          PairComparison& pair) {
  const int fa = std::max(a.redundancy, 0);
  const int fb = std::max(b.redundancy, 0);
  if (fa > 0 && fb > 0 && a.pvv > kZeroPvvPerDegree * fa && b.pvv > kZeroPvvPerDegree * fb) {
    const double sa = a.pvv / fa;
    const double sb = b.pvv / fb;
    pair.varianceTested = true;
    pair.varianceRatio = sa >= sb ? sa / sb : sb / sa;
    pair.varianceCritical = sa >= sb ? FQuantile(options.alpha / 2, fa, fb) : FQuantile(options.alpha / 2, fb, fa);
    pair.variancesAgree = pair.varianceRatio <= pair.varianceCritical;
  }
  const int f = fa + fb;
  const double pvv = a.pvv + b.pvv;
  pair.s0squared = 1;
  pair.dof = 0;
  if (options.unitErrorIsOne) {
    pair.source = VarianceSource::APrioriChosen;
  } else if (f == 0) {
    pair.source = VarianceSource::APrioriNoRedundancy;
  } else if (!(pvv > kZeroPvvPerDegree * f)) {
    pair.source = VarianceSource::APrioriZeroPvv;
  } else {
    pair.source = VarianceSource::Pooled;
    pair.s0squared = pvv / f;
    pair.dof = f;
  }
}

}  // namespace

double FQuantile(double alpha, int h, int f) {
  const double p = 1.0 - alpha;
  if (f <= 0) return boost::math::quantile(boost::math::chi_squared_distribution<double>(h), p) / h;
  return boost::math::quantile(boost::math::fisher_f_distribution<double>(h, f), p);
}

bool CompareEpochs(const EpochSolution& earlier, const EpochSolution& later, int from, int to,
                   const std::vector<std::string>& references, const CongruenceOptions& options,
                   PairComparison& pair) {
  pair = PairComparison{};
  pair.from = from;
  pair.to = to;
  ChooseVarianceFactor(earlier, later, options, pair);

  // The common reference points and their block of summed cofactors.
  ReferenceBlock block;
  for (std::size_t c = 0; c < references.size(); ++c)
    if (earlier.referencePosition[c] >= 0 && later.referencePosition[c] >= 0) block.reference.push_back(c);
  block.n = block.reference.size();
  pair.commonReferences = static_cast<int>(block.n);
  if (block.n == 0) return false;
  block.delta.resize(block.n);
  block.q.resize(block.n * block.n);
  for (std::size_t i = 0; i < block.n; ++i) {
    const std::size_t ci = block.reference[i];
    const auto ia = static_cast<std::size_t>(earlier.referencePosition[ci]);
    const auto ib = static_cast<std::size_t>(later.referencePosition[ci]);
    block.delta[i] = later.height[ib] - earlier.height[ia];
    for (std::size_t j = 0; j < block.n; ++j) {
      const std::size_t cj = block.reference[j];
      block.q[i * block.n + j] = earlier.referenceColumn[cj][ia] + later.referenceColumn[cj][ib];
    }
  }
  for (std::size_t i = 0; i < block.n; ++i)  // symmetric to the last bit
    for (std::size_t j = 0; j < i; ++j)
      block.q[i * block.n + j] = block.q[j * block.n + i] = 0.5 * (block.q[i * block.n + j] + block.q[j * block.n + i]);

  // The global test, then the stepwise localisation.
  std::vector<std::size_t> set(block.n);
  for (std::size_t i = 0; i < block.n; ++i) set[i] = i;
  bool ok = true;
  pair.tests.push_back(TestOf(block, set, pair, options.alpha, ok));
  while (ok && !pair.tests.back().congruent) {
    if (set.size() <= 2) {
      pair.tooFewToLocalise = true;
      break;
    }
    // The lowering for every point: with the first point as base for the others, with the second
    // for the first.
    const Form others = FormOver(block, set, 0, true);
    const Form firstOne = FormOver(block, set, 1, true);
    ok = others.ok && firstOne.ok;
    if (!ok) break;
    std::size_t worst = 0;
    double lowering = firstOne.theta[0];
    for (std::size_t p = 1; p < set.size(); ++p) {
      if (others.theta[p] > lowering) {
        lowering = others.theta[p];
        worst = p;
      }
    }
    const std::string removed = references[block.reference[set[worst]]];
    set.erase(set.begin() + static_cast<std::ptrdiff_t>(worst));
    GlobalTest next = TestOf(block, set, pair, options.alpha, ok);
    next.removed = removed;
    next.lowering = lowering;
    pair.tests.push_back(next);
  }
  pair.singular = !ok;

  // The S-transformation to the stable points: d_k = D_k - mean_S D, and its cofactor
  // q_k = Q_kk - 2 mean_s Q_ks + mean_st Q_st.
  std::vector<bool> stable(references.size(), false);
  double meanDelta = 0, meanQ = 0;
  for (std::size_t s : set) {
    stable[block.reference[s]] = true;
    meanDelta += block.delta[s];
    for (std::size_t t : set) meanQ += block.Q(s, t);
  }
  const double count = static_cast<double>(set.size());
  meanDelta /= count;
  meanQ /= count * count;
  const double critical = FQuantile(options.alpha, 1, pair.dof);

  auto displacement = [&](const std::string& nr, std::size_t ia, std::size_t ib, bool reference, bool inDatum) {
    Displacement d;
    d.pointNr = nr;
    d.reference = reference;
    d.stable = inDatum;
    double meanCross = 0;
    for (std::size_t s : set) {
      const std::size_t c = block.reference[s];
      meanCross += earlier.referenceColumn[c][ia] + later.referenceColumn[c][ib];
    }
    meanCross /= count;
    const double qkk = earlier.cofactor[ia] + later.cofactor[ib];
    const double q = std::max(qkk - 2 * meanCross + meanQ, 0.0);
    d.d = later.height[ib] - earlier.height[ia] - meanDelta;
    d.md = std::sqrt(pair.s0squared * q);
    d.critical = critical;
    // A cofactor zero up to rounding (the one point of a datum of one point) has no test.
    d.test = q > 1e-12 * qkk ? d.d * d.d / (pair.s0squared * q) : 0.0;
    d.moved = d.test > d.critical;
    pair.points.push_back(d);
  };
  std::vector<bool> isReference(static_cast<std::size_t>(earlier.PointCount()), false);
  for (std::size_t c = 0; c < references.size(); ++c) {
    const int ia = earlier.referencePosition[c];
    const int ib = later.referencePosition[c];
    if (ia >= 0) isReference[static_cast<std::size_t>(ia)] = true;
    if (ia >= 0 && ib >= 0)
      displacement(references[c], static_cast<std::size_t>(ia), static_cast<std::size_t>(ib), true, stable[c]);
  }
  for (int ia = 0; ia < earlier.PointCount(); ++ia) {
    const std::string& nr = earlier.pointNr[static_cast<std::size_t>(ia)];
    const int ib = later.Find(nr);
    if (ib < 0) {
      pair.leftOut.push_back(nr);
    } else if (!isReference[static_cast<std::size_t>(ia)]) {
      displacement(nr, static_cast<std::size_t>(ia), static_cast<std::size_t>(ib), false, false);
    }
  }
  for (const std::string& nr : later.pointNr)
    if (earlier.Find(nr) < 0) pair.leftOut.push_back(nr);
  return true;
}

}  // namespace kvel::epochs
