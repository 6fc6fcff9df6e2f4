#include "leveling/adjustment_statistics.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include "common/number_format.h"

namespace kvel {

double ChiSquareQuantile(double p, int degrees) {
  return boost::math::quantile(boost::math::chi_squared_distribution<double>(degrees), p);
}

double ChiSquareUpperQuantile(double q, int degrees) {
  return boost::math::quantile(boost::math::complement(boost::math::chi_squared_distribution<double>(degrees), q));
}

double NormalQuantile(double p) { return boost::math::quantile(boost::math::normal_distribution<double>(), p); }

double NormalUpperQuantile(double q) {
  return boost::math::quantile(boost::math::complement(boost::math::normal_distribution<double>(), q));
}

std::vector<TestedObservation> TestedItems(const StatisticsInput& input) {
  std::vector<TestedObservation> items = input.obs;
  for (const TestedBenchmark& b : input.benchmarks)
    if (!b.fixed) items.push_back({0, b.point, b.givenHeight, b.weight});
  return items;
}

namespace {

// A fresh solve that differs from the maintained redundancy number by more than this means the
// rank-one updates have drifted: the system is built and factored again.
constexpr double kDriftTolerance = 1e-7;

// The difference z(to) - z(from) of a vector by catalogue point along item `o` (a' z); a
// benchmark's vector has its one element at its point.
double Along(const std::vector<double>& z, const TestedObservation& o) {
  return o.from != 0 ? z[o.to] - z[o.from] : z[o.to];
}

// w and r of the kept items as the rounds of data snooping read them, compact (a round reads
// every item): r = 0 and w = 0 for an uncontrolled one.
struct RoundValues {
  std::vector<double> w, r;
  std::vector<char> held;  // held as uncontrolled: the last benchmark of its part
};

// The adjustment as data snooping carries it from round to round.
class SnoopingState {
 public:
  SnoopingState(const StatisticsInput& in, std::vector<TestedObservation> items, NormalEquations* normal)
      : in_(in), items_(std::move(items)), normal_(normal), m_(static_cast<int>(items_.size()) - 1),
        lp_(static_cast<int>(in.height.size()) - 1), height_(in.height),
        q_(static_cast<std::size_t>(m_) + 1, 0.0), qPoint_(static_cast<std::size_t>(lp_) + 1, 0.0),
        removed_(static_cast<std::size_t>(m_) + 1, 0) {
    height_[0] = 0;  // the "first point" of a benchmark
    if (normal_) ReadCofactors();
  }

  int Items() const { return m_; }
  const TestedObservation& Item(int k) const { return items_[k]; }
  const std::vector<TestedObservation>& ItemList() const { return items_; }
  bool Removed(int k) const { return removed_[k] != 0; }
  const std::vector<char>& RemovedFlags() const { return removed_; }
  const std::vector<double>& Heights() const { return height_; }
  double PointCofactor(int i) const { return qPoint_[i]; }
  // Removals since the last factorisation, and whether the last one was taken out of the factor.
  std::size_t Updates() const { return sinceFactor_; }
  bool Downdating() const { return downdating_; }
  std::size_t ColumnsSolved() const { return columnsSolved_; }

  double Residual(int k) const {
    const TestedObservation& o = items_[k];
    return height_[o.to] - height_[o.from] - o.dh;
  }
  // r = 1 - p q, or 0 when it is below what rounding of the cofactors behind it can make.
  double Redundancy(int k) const { return Controlled(k, 1.0 - items_[k].weight * q_[k]); }
  double Controlled(int k, double r) const {
    const TestedObservation& o = items_[k];
    const double scale = o.weight * (qPoint_[o.from] + qPoint_[o.to]);
    return r > kRedundancyRounding * scale ? r : 0.0;
  }

  // Q0 a of the items listed (Q0: the inverse of the last factorisation), kept for the rounds to
  // come, in one pass over the factor.
  void SolveColumns(const std::vector<int>& list) {
    columnsSolved_ += list.size();
    std::vector<std::vector<double>> columns(list.size(), std::vector<double>(static_cast<std::size_t>(lp_) + 1, 0.0));
    for (std::size_t c = 0; c < list.size(); ++c) {
      const TestedObservation& o = items_[list[c]];
      if (o.from != 0) columns[c][o.from] -= 1.0;
      columns[c][o.to] += 1.0;
    }
    normal_->Solve(columns);
    for (std::size_t c = 0; c < list.size(); ++c) {
      columns[c][0] = 0;
      solved_[list[c]] = std::move(columns[c]);
    }
  }
  bool Solved(int k) const { return solved_.count(k) != 0; }

  // Q a of item k for the current system: its column solved with the factor plus the rank-one
  // terms of the rounds since. The column must have been solved (SolveColumns).
  std::vector<double> CofactorColumn(int k) const {
    const TestedObservation& o = items_[k];
    std::vector<double> x = solved_.at(k);
    for (std::size_t j = 0; j < z_.size(); ++j) {
      const std::vector<double>& zj = z_[j];
      const double s = coef_[j] * Along(zj, o);
      if (s == 0.0) continue;
      for (int i = 1; i <= lp_; ++i) x[i] += s * zj[i];
    }
    return x;
  }

  // Item k leaves the system; z = Q a of it, r its redundancy number from z.
  // The kept items' r and w into `values`, and whether item k is a candidate for removal.
  void Evaluate(RoundValues& values) const {
    for (int k = 1; k <= m_; ++k)
      if (!removed_[k]) EvaluateItem(k, values);
  }
  bool Candidate(const RoundValues& values, int k) const { return !removed_[k] && values.r[k] > 0 && !values.held[k]; }

  // Item k leaves the system; z = Q a of it, r its redundancy number from z. The kept items' r and
  // w are evaluated anew into `values` on the way.
  void Remove(int k, std::vector<double> z, double r, RoundValues& values) {
    const double c = items_[k].weight / r;
    const double shift = c * Residual(k);
    for (int i = 1; i <= lp_; ++i) {
      height_[i] += shift * z[i];
      qPoint_[i] += c * z[i] * z[i];
    }
    removed_[k] = 1;
    for (int j = 1; j <= m_; ++j) {
      if (removed_[j]) continue;
      const double d = Along(z, items_[j]);
      q_[j] += c * d * d;
      EvaluateItem(j, values);
    }
    solved_.erase(k);
    ++sinceFactor_;
    downdating_ = normal_->Downdate(k);
    if (downdating_) {
      // The factor answers for the system without k: the columns solved before are stale.
      solved_.clear();
      z_.clear();
      coef_.clear();
      return;
    }
    z_.push_back(std::move(z));
    coef_.push_back(c);
  }

  // Builds and factors the system of the kept items, and adjusts the heights to it (one step of
  // least squares from the current heights, exact for this linear model). With `cofactors` the
  // cofactors and the columns are taken afresh too; without, the maintained ones go on.
  // keep[k] tells the items whose solved columns are worth bringing onto the new factor.
  bool Rebuild(bool cofactors, const std::vector<char>& keep) {
    if (!normal_->Rebuild(removed_, cofactors)) return false;
    // The columns solved for rounds still to come are brought onto the new factor, not solved
    // again (Q a of the current system is what the new factor gives), unless the updates drifted.
    if (cofactors) solved_.clear();
    for (auto it = solved_.begin(); it != solved_.end();) {
      if (!keep[it->first]) {
        it = solved_.erase(it);
        continue;
      }
      it->second = CofactorColumn(it->first);
      ++it;
    }
    z_.clear();
    coef_.clear();
    sinceFactor_ = 0;
    if (cofactors) ReadCofactors();
    std::vector<std::vector<double>> columns(1, std::vector<double>(static_cast<std::size_t>(lp_) + 1, 0.0));
    std::vector<double>& rhs = columns[0];
    for (int k = 1; k <= m_; ++k) {
      if (removed_[k]) continue;
      const TestedObservation& o = items_[k];
      const double pv = o.weight * Residual(k);
      if (o.from != 0) rhs[o.from] -= pv;
      rhs[o.to] += pv;
    }
    for (const TestedBenchmark& b : in_.benchmarks)
      if (b.fixed) rhs[b.point] += b.weight * (height_[b.point] - b.givenHeight);
    normal_->Solve(columns);
    for (int i = 1; i <= lp_; ++i) height_[i] -= rhs[i];
    return true;
  }

 private:
  void EvaluateItem(int k, RoundValues& values) const {
    const double r = Redundancy(k);
    values.r[k] = r;
    values.w[k] = r > 0 ? Residual(k) * std::sqrt(items_[k].weight / r) : 0.0;
  }

  void ReadCofactors() {
    qPoint_[0] = 0;
    for (int i = 1; i <= lp_; ++i) qPoint_[i] = normal_->Cofactor(i, i);
    for (int k = 1; k <= m_; ++k) {
      const TestedObservation& o = items_[k];
      const double g = o.from != 0 ? qPoint_[o.from] + qPoint_[o.to] - 2.0 * normal_->Cofactor(o.from, o.to)
                                   : qPoint_[o.to];
      q_[k] = std::max(g, 0.0);  // a sum of squares; rounding must not make it negative
    }
  }

  const StatisticsInput& in_;
  std::vector<TestedObservation> items_;  // [1..M + weighted benchmarks]
  NormalEquations* normal_;
  int m_, lp_;
  std::vector<double> height_;  // [0..LP], element 0 held at 0
  std::vector<double> q_;       // [1..items] cofactor of the adjusted item
  std::vector<double> qPoint_;  // [0..LP] cofactor of the height (element 0 held at 0)
  std::vector<char> removed_;
  std::vector<std::vector<double>> z_;  // Q a of the rounds since the last factorisation
  std::vector<double> coef_;            // p / r of those rounds
  std::unordered_map<int, std::vector<double>> solved_;  // Q0 a of items not yet removed
  std::size_t columnsSolved_ = 0;
  std::size_t sinceFactor_ = 0;
  bool downdating_ = false;
};

// v, r and w of every kept item; with `reliability` also MDB, the external reliability and the
// estimated gross error with its effect (the rounds of data snooping need only w).
void Evaluate(const SnoopingState& state, double lambda0, std::vector<ObservationTest>& out,
              bool reliability = false) {
  for (int k = 1; k <= state.Items(); ++k) {
    if (state.Removed(k)) continue;
    ObservationTest& t = out[k];
    const double p = state.Item(k).weight;
    t.v = state.Residual(k);
    t.r = state.Redundancy(k);
    t.controlled = t.r > 0;
    if (t.controlled) {
      t.w = t.v * std::sqrt(p / t.r);
      if (!reliability) continue;
      t.mdb = std::sqrt(lambda0 / (p * t.r));
      t.external = std::sqrt(lambda0 * std::max(1.0 - t.r, 0.0) / t.r);
      t.gross = -t.v / t.r;
      t.effect = t.gross * (1.0 - t.r);
    } else {
      t.w = t.mdb = t.external = t.gross = t.effect = 0;
    }
  }
}

// The connected part of every point [1..LP]: one point of the part stands for it.
std::vector<int> NetworkParts(const StatisticsInput& in) {
  const int lp = static_cast<int>(in.height.size()) - 1;
  std::vector<int> root(static_cast<std::size_t>(lp) + 1);
  for (int i = 0; i <= lp; ++i) root[i] = i;
  auto find = [&](int i) {
    while (root[i] != i) i = root[i] = root[root[i]];
    return i;
  };
  for (std::size_t k = 1; k < in.obs.size(); ++k) root[find(in.obs[k].from)] = find(in.obs[k].to);
  for (int i = 1; i <= lp; ++i) root[i] = find(i);
  return root;
}

// The parts of the network that no benchmark ties, numbered 1, 2, ... in catalogue order.
void FindUntiedParts(const StatisticsInput& in, const std::vector<int>& part, StatisticsResult& result) {
  const int lp = static_cast<int>(in.height.size()) - 1;
  std::vector<char> tied(static_cast<std::size_t>(lp) + 1, 0);
  for (const TestedBenchmark& b : in.benchmarks) tied[part[b.point]] = 1;
  std::vector<int> partOfRoot(static_cast<std::size_t>(lp) + 1, 0);
  result.untiedPart.assign(static_cast<std::size_t>(lp) + 1, 0);
  for (int i = 1; i <= lp; ++i) {
    const int r = part[i];
    if (tied[r]) continue;
    if (partOfRoot[r] == 0) partOfRoot[r] = ++result.untiedParts;
    result.untiedPart[i] = partOfRoot[r];
  }
  for (std::size_t k = 1; k < in.obs.size(); ++k) result.untiedObservations += result.untiedPart[in.obs[k].to] != 0;
}

GlobalTest TestVarianceFactor(const StatisticsInput& in, const StatisticsResult& result, double alpha) {
  GlobalTest g;
  g.alpha = alpha;
  int untiedPoints = 0;
  for (std::size_t i = 1; i < result.untiedPart.size(); ++i) untiedPoints += result.untiedPart[i] != 0;
  // An untied part adds as many unknowns as it has points, less the one its missing benchmark
  // leaves undetermined; its observations and that redundancy leave the test with it.
  g.degrees = in.redundancy - result.untiedObservations + untiedPoints;
  const int m = static_cast<int>(in.obs.size()) - 1;
  for (int k = 1; k <= m; ++k) {
    const TestedObservation& o = in.obs[k];
    if (result.untiedPart[o.to] != 0) continue;
    const double v = in.height[o.to] - in.height[o.from] - o.dh;
    double term = o.weight * v * v;
    if (!in.leastSquares && static_cast<std::size_t>(k) < in.robustFactor.size()) term *= in.robustFactor[k];
    g.pvv += term;
  }
  if (in.leastSquares) {
    for (const TestedBenchmark& b : in.benchmarks) {
      const double d = in.height[b.point] - b.givenHeight;
      if (!b.fixed) g.pvv += b.weight * d * d;
    }
  } else {
    g.pvv += in.benchmarkPvv;  // the benchmarks' share as the report's control has it
  }
  if (g.degrees <= 0) return g;
  g.computed = true;
  g.lower = ChiSquareQuantile(alpha / 2, g.degrees);
  g.upper = ChiSquareUpperQuantile(alpha / 2, g.degrees);
  g.accepted = g.pvv >= g.lower && g.pvv <= g.upper;
  return g;
}

// The Mo of the heights after snooping: the network's own empirical Mo without the removed items
// when the run applied its empirical Mo, else the run's.
double MoAfterSnooping(const StatisticsInput& in, const SnoopingState& state, int removed) {
  if (!in.empiricalMo) return in.heightMo;
  const int lu = in.redundancy - removed;
  if (lu <= 0) return 1.0;
  double pvv = 0;
  for (int k = 1; k <= state.Items(); ++k) {
    if (state.Removed(k)) continue;
    const double v = state.Residual(k);
    pvv += state.Item(k).weight * v * v;
  }
  return orvane::TruncateTo5Decimals(std::sqrt(pvv / (lu + 0.0001)));
}

// Items in series: those that meet at a point no benchmark holds fixed and no other kept item
// reaches. The point passes the same correction from one to the other, so their |w| are equal in
// exact arithmetic, and data snooping takes the first of them whatever rounding says. Removals
// only ever join series (a junction left with two items), so the groups grow by union.
class SeriesGroups {
 public:
  SeriesGroups(const std::vector<TestedObservation>& items, const StatisticsInput& in)
      : items_(items), parent_(items.size()), incident_(in.height.size()), fixed_(in.height.size(), 0) {
    for (std::size_t k = 0; k < parent_.size(); ++k) parent_[k] = static_cast<int>(k);
    for (const TestedBenchmark& b : in.benchmarks) fixed_[b.point] |= b.fixed ? 1 : 0;
    for (std::size_t k = 1; k < items_.size(); ++k) {
      if (items_[k].from != 0) incident_[items_[k].from].push_back(static_cast<int>(k));
      incident_[items_[k].to].push_back(static_cast<int>(k));
    }
    std::vector<char> none(items_.size(), 0);
    for (std::size_t p = 1; p < incident_.size(); ++p) JoinAt(static_cast<int>(p), none);
  }

  // The group of item k: one item of the group stands for it.
  int Group(int k) {
    if (dirty_) Flatten();
    return parent_[k];
  }

  // Item k has left (removed[k] set): its points may now join the two items left at them.
  void Removed(int k, const std::vector<char>& removed) {
    if (items_[k].from != 0) JoinAt(items_[k].from, removed);
    JoinAt(items_[k].to, removed);
  }

 private:
  void JoinAt(int point, const std::vector<char>& removed) {
    if (fixed_[point]) return;
    int kept[2] = {0, 0}, count = 0;
    for (int k : incident_[point]) {
      if (removed[k]) continue;
      if (count < 2) kept[count] = k;
      if (++count > 2) return;
    }
    if (count == 2) {
      parent_[Root(kept[0])] = Root(kept[1]);
      dirty_ = true;
    }
  }
  int Root(int k) {
    while (parent_[k] != k) k = parent_[k] = parent_[parent_[k]];
    return k;
  }
  // Every item pointing at its root, so that the rounds read the groups in one step.
  void Flatten() {
    for (std::size_t k = 1; k < parent_.size(); ++k) parent_[k] = Root(static_cast<int>(k));
    dirty_ = false;
  }

  const std::vector<TestedObservation>& items_;
  std::vector<int> parent_;
  std::vector<std::vector<int>> incident_;  // [1..LP] the items at each point
  std::vector<char> fixed_;
  bool dirty_ = false;
};

// Whether |w| beats |best| by more than a tie (kTieTolerance): among equals the first one stays.
bool Exceeds(double w, double best) { return std::fabs(w) > std::fabs(best) * (1 + kTieTolerance); }

// Flags of the `count` candidates rejected now with the largest |w|.
std::vector<char> LargestRejected(const SnoopingState& state, const RoundValues& values, double critical, int count) {
  std::vector<std::pair<double, int>> rejected;
  for (int k = 1; k <= state.Items(); ++k)
    if (state.Candidate(values, k) && std::fabs(values.w[k]) > critical) rejected.push_back({-std::fabs(values.w[k]), k});
  const auto n = static_cast<std::ptrdiff_t>(std::min(rejected.size(), static_cast<std::size_t>(count)));
  std::nth_element(rejected.begin(), rejected.begin() + n, rejected.end());
  std::vector<char> flags(static_cast<std::size_t>(state.Items()) + 1, 0);
  for (std::ptrdiff_t i = 0; i < n; ++i) flags[static_cast<std::size_t>(rejected[static_cast<std::size_t>(i)].second)] = 1;
  return flags;
}

}  // namespace

StatisticsResult TestAdjustment(const StatisticsInput& input, const StatisticsOptions& options,
                                NormalEquations* normal, int refactorRounds) {
  StatisticsResult result;
  result.options = options;
  const std::vector<int> part = NetworkParts(input);
  FindUntiedParts(input, part, result);
  // Benchmarks held in each part: snooping never removes the last one, which ties the part.
  std::vector<int> datums(input.height.size(), 0);
  for (const TestedBenchmark& b : input.benchmarks) ++datums[part[b.point]];
  result.global = TestVarianceFactor(input, result, options.Alpha);
  result.critical = NormalUpperQuantile(options.Alpha0 / 2);
  const double zPower = NormalQuantile(options.Power);
  result.lambda0 = (result.critical + zPower) * (result.critical + zPower);
  std::vector<TestedObservation> items = TestedItems(input);
  const int m = static_cast<int>(items.size()) - 1;
  result.obs.assign(static_cast<std::size_t>(m) + 1, ObservationTest{});
  result.heightAfter = input.height;
  result.meanErrorAfter.assign(input.height.size(), 0.0);
  result.heightMoAfter = input.heightMo;
  result.wTest = input.leastSquares && normal != nullptr;
  // The equations tell their balance once their factor is chosen, at the first solve.
  auto roundsPerFactor = [&] { return refactorRounds > 0 ? refactorRounds : std::max(normal->RefactorRounds(), 1); };

  SnoopingState state(input, std::move(items), result.wTest ? normal : nullptr);
  if (!result.wTest) {
    for (int k = 1; k <= m; ++k) result.obs[k].v = state.Residual(k);
    return result;
  }
  Evaluate(state, result.lambda0, result.obs, true);
  for (int k = 1; k <= m; ++k) {
    ObservationTest& t = result.obs[k];
    t.rejected = t.controlled && std::fabs(t.w) > result.critical;
  }

  // Data snooping, on its own copy of the per-item values.
  RoundValues current;
  current.w.assign(static_cast<std::size_t>(m) + 1, 0.0);
  current.r.assign(static_cast<std::size_t>(m) + 1, 0.0);
  current.held.assign(static_cast<std::size_t>(m) + 1, 0);
  for (int k = 1; k <= m; ++k) current.w[k] = result.obs[k].w, current.r[k] = result.obs[k].r;
  bool freshFactor = true;  // no update since the last factorisation
  SeriesGroups series(state.ItemList(), input);
  std::vector<int> seenInRound(static_cast<std::size_t>(m) + 1, 0);  // by group: the round that met it
  for (int pass = 1; options.Snooping; ++pass) {
    int worst = 0;
    for (int k = 1; k <= m; ++k) {
      if (!state.Candidate(current, k)) continue;
      // A series speaks through its first item.
      const int group = series.Group(k);
      if (seenInRound[group] == pass) continue;
      seenInRound[group] = pass;
      if (std::fabs(current.w[k]) > result.critical && (worst == 0 || Exceeds(current.w[k], current.w[worst])))
        worst = k;
    }
    if (worst == 0) break;
    // A factorisation now and then, and whenever the updates drift from a fresh solve; the
    // rebuilt system then chooses again.
    auto rebuild = [&](bool cofactors) {
      if (!state.Rebuild(cofactors, LargestRejected(state, current, result.critical, kColumnsKept))) return false;
      ++result.rebuilds;
      freshFactor = true;
      state.Evaluate(current);
      return true;
    };
    if (state.Updates() >= static_cast<std::size_t>(roundsPerFactor())) {
      if (!rebuild(false)) { result.snoopingStopped = true; break; }
      continue;
    }
    if (!state.Solved(worst)) {
      // With a factor that stays, the columns of the items rejected now with the largest |w| (the
      // worst among them): the next rounds will mostly remove among them, in about that order. A
      // downdated factor changes with every removal: only the worst's column is worth solving.
      std::vector<int> batch{worst};
      if (!state.Downdating()) {
        const std::vector<char> largest = LargestRejected(state, current, result.critical, kColumnsPerPass);
        for (int k = 1; k <= m; ++k)
          if (largest[k] && k != worst && !state.Solved(k)) batch.push_back(k);
      }
      state.SolveColumns(batch);
    }
    std::vector<double> z = state.CofactorColumn(worst);
    const double r = state.Controlled(worst, 1.0 - state.Item(worst).weight * Along(z, state.Item(worst)));
    if (std::fabs(r - current.r[worst]) > kDriftTolerance && !freshFactor) {
      if (!rebuild(true)) { result.snoopingStopped = true; break; }
      continue;
    }
    if (!(r > 0)) { result.snoopingStopped = true; break; }  // rounding beyond repair
    const TestedObservation& item = state.Item(worst);
    if (item.from == 0 && datums[part[item.to]] == 1) {
      // The only benchmark of its part has r = 0 exactly: what rounding left of it is no control.
      current.held[worst] = 1;
      continue;
    }
    if (item.from == 0) --datums[part[item.to]];
    const int round = static_cast<int>(result.rounds.size()) + 1;
    result.rounds.push_back({worst, current.w[worst], state.Residual(worst)});
    result.obs[worst].removedRound = round;
    state.Remove(worst, std::move(z), r, current);
    series.Removed(worst, state.RemovedFlags());
    freshFactor = false;
  }
  result.columnsSolved = state.ColumnsSolved();
  result.heightAfter = state.Heights();
  result.heightMoAfter = MoAfterSnooping(input, state, static_cast<int>(result.rounds.size()));
  std::vector<char> fixed(input.height.size(), 0);
  for (const TestedBenchmark& b : input.benchmarks) fixed[b.point] = b.fixed;
  for (int i = 1; i < static_cast<int>(input.height.size()); ++i)
    result.meanErrorAfter[i] =
        fixed[i] ? 0.0 : std::sqrt(std::max(state.PointCofactor(i), 0.0) + 1e-20) * result.heightMoAfter;
  return result;
}

}  // namespace kvel
