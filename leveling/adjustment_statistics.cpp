#include "leveling/adjustment_statistics.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

namespace kvel {

double ChiSquareQuantile(double p, int degrees) {
  return boost::math::quantile(boost::math::chi_squared_distribution<double>(degrees), p);
}

double NormalQuantile(double p) { return boost::math::quantile(boost::math::normal_distribution<double>(), p); }

namespace {

// A fresh solve that differs from the maintained redundancy number by more than this means the
// rank-one updates have drifted: the system is built and factored again.
constexpr double kDriftTolerance = 1e-7;

// The adjustment as data snooping carries it from round to round.
class SnoopingState {
 public:
  SnoopingState(const StatisticsInput& in, NormalEquations* normal)
      : in_(in), normal_(normal), m_(static_cast<int>(in.obs.size()) - 1),
        lp_(static_cast<int>(in.height.size()) - 1), height_(in.height),
        q_(static_cast<std::size_t>(m_) + 1, 0.0), qPoint_(static_cast<std::size_t>(lp_) + 1, 0.0),
        removed_(static_cast<std::size_t>(m_) + 1, 0) {
    if (normal_) ReadCofactors();
  }

  int Observations() const { return m_; }
  int Points() const { return lp_; }
  bool Removed(int k) const { return removed_[k] != 0; }
  const std::vector<char>& RemovedFlags() const { return removed_; }
  const std::vector<double>& Heights() const { return height_; }
  double PointCofactor(int i) const { return qPoint_[i]; }
  std::size_t Updates() const { return z_.size(); }

  double Residual(int k) const {
    const TestedObservation& o = in_.obs[k];
    return height_[o.to] - height_[o.from] - o.dh;
  }
  // 0 below kUncontrolledRedundancy.
  double Redundancy(int k) const {
    const double r = 1.0 - in_.obs[k].weight * q_[k];
    return r >= kUncontrolledRedundancy ? r : 0.0;
  }

  // Q0 a of the observations listed (Q0: the inverse of the last factorisation), kept for the
  // rounds to come, in one pass over the factor.
  void SolveColumns(const std::vector<int>& obs) {
    std::vector<std::vector<double>> columns(obs.size(), std::vector<double>(static_cast<std::size_t>(lp_) + 1, 0.0));
    for (std::size_t c = 0; c < obs.size(); ++c) {
      columns[c][in_.obs[obs[c]].from] -= 1.0;
      columns[c][in_.obs[obs[c]].to] += 1.0;
    }
    normal_->Solve(columns);
    for (std::size_t c = 0; c < obs.size(); ++c) solved_[obs[c]] = std::move(columns[c]);
  }
  bool Solved(int k) const { return solved_.count(k) != 0; }

  // Q a of observation k for the current system: its column solved with the factor plus the
  // rank-one terms of the rounds since. The column must have been solved (SolveColumns).
  std::vector<double> CofactorColumn(int k) const {
    const TestedObservation& o = in_.obs[k];
    std::vector<double> x = solved_.at(k);
    for (std::size_t j = 0; j < z_.size(); ++j) {
      const std::vector<double>& zj = z_[j];
      const double s = coef_[j] * (zj[o.to] - zj[o.from]);
      if (s == 0.0) continue;
      for (int i = 1; i <= lp_; ++i) x[i] += s * zj[i];
    }
    return x;
  }

  // Observation k leaves the system; z = Q a of it, r its redundancy number from z.
  void Remove(int k, std::vector<double> z, double r) {
    const TestedObservation& o = in_.obs[k];
    const double c = o.weight / r;
    const double shift = c * Residual(k);
    for (int i = 1; i <= lp_; ++i) {
      height_[i] += shift * z[i];
      qPoint_[i] += c * z[i] * z[i];
    }
    for (int j = 1; j <= m_; ++j) {
      const TestedObservation& oj = in_.obs[j];
      const double d = z[oj.to] - z[oj.from];
      q_[j] += c * d * d;
    }
    removed_[k] = 1;
    solved_.erase(k);
    z_.push_back(std::move(z));
    coef_.push_back(c);
  }

  // Builds and factors the system of the kept observations, and adjusts the heights to it (one
  // step of least squares from the current heights, exact for this linear model).
  bool Rebuild() {
    if (!normal_->Rebuild(removed_)) return false;
    z_.clear();
    coef_.clear();
    solved_.clear();
    ReadCofactors();
    std::vector<std::vector<double>> columns(1, std::vector<double>(static_cast<std::size_t>(lp_) + 1, 0.0));
    std::vector<double>& rhs = columns[0];
    for (int k = 1; k <= m_; ++k) {
      if (removed_[k]) continue;
      const TestedObservation& o = in_.obs[k];
      const double pv = o.weight * Residual(k);
      rhs[o.from] -= pv;
      rhs[o.to] += pv;
    }
    for (const TestedBenchmark& b : in_.benchmarks) rhs[b.point] += b.weight * (height_[b.point] - b.givenHeight);
    normal_->Solve(columns);
    for (int i = 1; i <= lp_; ++i) height_[i] -= rhs[i];
    return true;
  }

 private:
  void ReadCofactors() {
    for (int i = 1; i <= lp_; ++i) qPoint_[i] = normal_->Cofactor(i, i);
    for (int k = 1; k <= m_; ++k) {
      const TestedObservation& o = in_.obs[k];
      const double g = qPoint_[o.from] + qPoint_[o.to] - 2.0 * normal_->Cofactor(o.from, o.to);
      q_[k] = std::max(g, 0.0);  // a sum of squares; rounding must not make it negative
    }
  }

  const StatisticsInput& in_;
  NormalEquations* normal_;
  int m_, lp_;
  std::vector<double> height_;
  std::vector<double> q_;       // [1..M] cofactor of the adjusted observation
  std::vector<double> qPoint_;  // [1..LP] cofactor of the height
  std::vector<char> removed_;
  std::vector<std::vector<double>> z_;  // Q a of the rounds since the last factorisation
  std::vector<double> coef_;            // p / r of those rounds
  std::unordered_map<int, std::vector<double>> solved_;  // Q0 a of observations not yet removed
};

// v, r and w of every kept observation; with `reliability` also MDB and the external reliability
// (the rounds of data snooping need only w).
void Evaluate(const SnoopingState& state, const StatisticsInput& in, double lambda0,
              std::vector<ObservationTest>& out, bool reliability = false) {
  for (int k = 1; k <= state.Observations(); ++k) {
    if (state.Removed(k)) continue;
    ObservationTest& t = out[k];
    const double p = in.obs[k].weight;
    t.v = state.Residual(k);
    t.r = state.Redundancy(k);
    t.controlled = t.r > 0;
    if (t.controlled) {
      t.w = t.v * std::sqrt(p / t.r);
      if (!reliability) continue;
      t.mdb = std::sqrt(lambda0 / (p * t.r));
      t.external = std::sqrt(lambda0 * std::max(1.0 - t.r, 0.0) / t.r);
    } else {
      t.w = t.mdb = t.external = 0;
    }
  }
}

GlobalTest TestVarianceFactor(const StatisticsInput& in, double alpha) {
  GlobalTest g;
  g.alpha = alpha;
  g.degrees = in.redundancy;
  const int m = static_cast<int>(in.obs.size()) - 1;
  for (int k = 1; k <= m; ++k) {
    const TestedObservation& o = in.obs[k];
    const double v = in.height[o.to] - in.height[o.from] - o.dh;
    double term = o.weight * v * v;
    if (!in.leastSquares && static_cast<std::size_t>(k) < in.robustFactor.size()) term *= in.robustFactor[k];
    g.pvv += term;
  }
  for (const TestedBenchmark& b : in.benchmarks) {
    const double d = in.height[b.point] - b.givenHeight;
    if (!b.fixed) g.pvv += b.weight * d * d;
  }
  if (g.degrees <= 0) return g;
  g.computed = true;
  g.lower = ChiSquareQuantile(alpha / 2, g.degrees);
  g.upper = ChiSquareQuantile(1 - alpha / 2, g.degrees);
  g.accepted = g.pvv >= g.lower && g.pvv <= g.upper;
  return g;
}

}  // namespace

StatisticsResult TestAdjustment(const StatisticsInput& input, const StatisticsOptions& options,
                                NormalEquations* normal, int refactorRounds) {
  StatisticsResult result;
  result.options = options;
  result.global = TestVarianceFactor(input, options.Alpha);
  result.critical = NormalQuantile(1 - options.Alpha0 / 2);
  const double zPower = NormalQuantile(options.Power);
  result.lambda0 = (result.critical + zPower) * (result.critical + zPower);
  const int m = static_cast<int>(input.obs.size()) - 1;
  result.obs.assign(static_cast<std::size_t>(m) + 1, ObservationTest{});
  result.heightAfter = input.height;
  result.meanErrorAfter.assign(input.height.size(), 0.0);
  result.wTest = input.leastSquares && normal != nullptr;

  SnoopingState state(input, result.wTest ? normal : nullptr);
  if (!result.wTest) {
    for (int k = 1; k <= m; ++k) result.obs[k].v = state.Residual(k);
    return result;
  }
  Evaluate(state, input, result.lambda0, result.obs, true);
  for (int k = 1; k <= m; ++k) {
    ObservationTest& t = result.obs[k];
    t.rejected = t.controlled && std::fabs(t.w) > result.critical;
  }

  // Data snooping, on its own copy of the per-observation values.
  std::vector<ObservationTest> current = result.obs;
  bool freshFactor = true;  // no rank-one update since the last factorisation
  while (options.Snooping) {
    int worst = 0;
    for (int k = 1; k <= m; ++k) {
      if (state.Removed(k) || !current[k].controlled) continue;
      if (std::fabs(current[k].w) > result.critical && (worst == 0 || std::fabs(current[k].w) > std::fabs(current[worst].w)))
        worst = k;
    }
    if (worst == 0) break;
    // A factorisation now and then, and whenever the updates drift from a fresh solve; the
    // rebuilt system then chooses again.
    auto rebuild = [&] {
      if (!state.Rebuild()) return false;
      ++result.rebuilds;
      freshFactor = true;
      Evaluate(state, input, result.lambda0, current);
      return true;
    };
    if (state.Updates() >= static_cast<std::size_t>(std::max(refactorRounds, 1))) {
      if (!rebuild()) { result.snoopingStopped = true; break; }
      continue;
    }
    if (!state.Solved(worst)) {
      // The columns of every observation rejected now, the worst first: the next rounds will
      // mostly remove among them.
      std::vector<int> batch{worst};
      for (int k = 1; k <= m && static_cast<int>(batch.size()) < kColumnsPerPass; ++k)
        if (k != worst && !state.Removed(k) && current[k].controlled && std::fabs(current[k].w) > result.critical &&
            !state.Solved(k))
          batch.push_back(k);
      state.SolveColumns(batch);
    }
    std::vector<double> z = state.CofactorColumn(worst);
    const TestedObservation& o = input.obs[worst];
    const double r = 1.0 - o.weight * (z[o.to] - z[o.from]);
    if (std::fabs(r - current[worst].r) > kDriftTolerance && !freshFactor) {
      if (!rebuild()) { result.snoopingStopped = true; break; }
      continue;
    }
    if (!(r >= kUncontrolledRedundancy)) { result.snoopingStopped = true; break; }  // rounding beyond repair
    const int round = static_cast<int>(result.rounds.size()) + 1;
    result.rounds.push_back({worst, current[worst].w, current[worst].v});
    result.obs[worst].removedRound = round;
    state.Remove(worst, std::move(z), r);
    freshFactor = false;
    Evaluate(state, input, result.lambda0, current);
  }
  result.heightAfter = state.Heights();
  for (int i = 1; i < static_cast<int>(input.height.size()); ++i)
    result.meanErrorAfter[i] = std::sqrt(std::max(state.PointCofactor(i), 0.0) + 1e-20) * input.heightMo;
  return result;
}

}  // namespace kvel
