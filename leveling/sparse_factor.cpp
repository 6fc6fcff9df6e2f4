#include "leveling/sparse_factor.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "leveling/factor_common.h"

namespace kvel {

namespace {

// Minimum degree on the explicit elimination graph: the point of fewest links to points not yet
// eliminated goes next (the lowest catalogue index among equals, so the order is the same on
// every machine), and its neighbours become linked to one another. The neighbours of a point when
// it goes are the rows of its column of the factor, so the pattern comes with the order. False
// when the factor would exceed `elementLimit` elements, or the graph work a multiple of it.
bool MinimumDegree(int n, std::vector<std::vector<int>>& adjacency, std::size_t elementLimit,
                   std::vector<int>& sequence, std::vector<std::vector<int>>& columnOf) {
  const double workLimit = 64.0 * static_cast<double>(elementLimit) + 1e6;
  double work = 0;
  std::size_t elements = 0;
  std::set<std::pair<int, int>> queue;  // (degree, point)
  for (int v = 1; v <= n; ++v) queue.insert({static_cast<int>(adjacency[v].size()), v});
  std::vector<int> mark(static_cast<std::size_t>(n) + 1, 0);
  int stamp = 0;
  sequence.clear();
  columnOf.assign(static_cast<std::size_t>(n) + 1, {});
  while (!queue.empty()) {
    const int v = queue.begin()->second;
    queue.erase(queue.begin());
    sequence.push_back(v);
    std::vector<int> neighbours = std::move(adjacency[v]);
    adjacency[v].clear();
    elements += neighbours.size();
    if (elements > elementLimit) return false;
    for (int u : neighbours) {
      std::vector<int>& list = adjacency[u];
      work += static_cast<double>(list.size() + neighbours.size());
      queue.erase({static_cast<int>(list.size()), u});
      ++stamp;
      mark[u] = stamp;
      std::size_t kept = 0;
      for (int x : list)
        if (x != v) {
          list[kept++] = x;
          mark[x] = stamp;
        }
      list.resize(kept);
      for (int x : neighbours)
        if (mark[x] != stamp) list.push_back(x);
      queue.insert({static_cast<int>(list.size()), u});
    }
    if (work > workLimit) return false;
    columnOf[v] = std::move(neighbours);
  }
  return true;
}

}  // namespace

bool SparseFactor::Analyse(int pointCount, const std::vector<std::pair<int, int>>& links, std::size_t elementLimit) {
  analysed_ = false;
  n_ = std::max(pointCount, 0);
  std::vector<std::vector<int>> adjacency(static_cast<std::size_t>(n_) + 1);
  for (const auto& [a, b] : links) {
    if (a < 1 || b < 1 || a > n_ || b > n_ || a == b) continue;
    adjacency[a].push_back(b);
    adjacency[b].push_back(a);
  }
  for (int v = 1; v <= n_; ++v) {
    std::vector<int>& list = adjacency[v];
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  std::vector<int> sequence;
  std::vector<std::vector<int>> columnOf;
  if (!MinimumDegree(n_, adjacency, elementLimit, sequence, columnOf)) {
    row_.clear();
    value_.clear();
    return false;
  }
  position_.assign(static_cast<std::size_t>(n_) + 1, 0);
  for (int j = 0; j < n_; ++j) position_[sequence[j]] = j;
  start_.assign(static_cast<std::size_t>(n_) + 1, 0);
  row_.clear();
  for (int j = 0; j < n_; ++j) {
    start_[j] = row_.size();
    const std::vector<int>& column = columnOf[sequence[j]];
    const std::size_t first = row_.size();
    for (int u : column) row_.push_back(position_[u]);
    std::sort(row_.begin() + static_cast<std::ptrdiff_t>(first), row_.end());
  }
  start_[n_] = row_.size();
  value_.assign(row_.size(), 0.0);
  diagonal_.assign(static_cast<std::size_t>(n_), 0.0);
  pivot_.assign(static_cast<std::size_t>(n_), 0.0);
  inverseDiagonal_.assign(static_cast<std::size_t>(n_), 0.0);
  spread_.assign(static_cast<std::size_t>(n_), 0.0);
  analysed_ = true;
  return true;
}

void SparseFactor::Clear() {
  outsidePattern_ = false;
  std::fill(value_.begin(), value_.end(), 0.0);
  std::fill(diagonal_.begin(), diagonal_.end(), 0.0);
}

void SparseFactor::AddLink(int a, int b, double w) {
  if (!analysed_ || a < 1 || b < 1 || a > n_ || b > n_ || a == b) {
    outsidePattern_ = true;
    return;
  }
  int ja = position_[a], jb = position_[b];
  diagonal_[ja] += w;
  diagonal_[jb] += w;
  if (ja > jb) std::swap(ja, jb);
  const auto first = row_.begin() + static_cast<std::ptrdiff_t>(start_[ja]);
  const auto last = row_.begin() + static_cast<std::ptrdiff_t>(start_[ja + 1]);
  const auto at = std::lower_bound(first, last, jb);
  if (at == last || *at != jb) {
    outsidePattern_ = true;  // a link the analysis was not given
    return;
  }
  value_[static_cast<std::size_t>(at - row_.begin())] -= w;
}

void SparseFactor::AddPointWeight(int a, double w) {
  if (!analysed_ || a < 1 || a > n_) {
    outsidePattern_ = true;
    return;
  }
  diagonal_[position_[a]] += w;
}

namespace {

// Left-looking factorisation: column j gathers the updates of the earlier columns k with
// L(j, k) != 0, each kept in the list of the row it reaches next (next[], head[]).
bool FactorKernel(int n, const std::size_t* start, const int* row, double* value, const double* diagonal,
                  double* pivots, double* inverseDiagonal) {
  std::vector<int> head(static_cast<std::size_t>(n), -1), next(static_cast<std::size_t>(n), -1);
  std::vector<std::size_t> reached(static_cast<std::size_t>(n), 0);  // column k's element of the next row
  std::vector<double> work(static_cast<std::size_t>(n), 0.0);
  for (int j = 0; j < n; ++j) {
    const std::size_t end = start[j + 1];
    for (std::size_t p = start[j]; p < end; ++p) work[row[p]] = value[p];
    double pivot = diagonal[j];
    for (int k = head[j]; k != -1;) {
      const int following = next[k];
      const std::size_t p = reached[k];
      const double ljk = value[p];
      pivot -= ljk * ljk;
      const std::size_t kEnd = start[k + 1];
      for (std::size_t q = p + 1; q < kEnd; ++q) work[row[q]] -= value[q] * ljk;
      reached[k] = p + 1;
      if (p + 1 < kEnd) {
        next[k] = head[row[p + 1]];
        head[row[p + 1]] = k;
      }
      k = following;
    }
    if (!std::isfinite(pivot) || pivot < kDefectPivot || pivot < kDefectPivotRatio * diagonal[j]) return false;
    pivots[j] = std::sqrt(pivot);
    const double inverse = 1.0 / pivots[j];
    inverseDiagonal[j] = inverse;
    for (std::size_t p = start[j]; p < end; ++p) {
      value[p] = work[row[p]] * inverse;
      work[row[p]] = 0.0;
    }
    if (start[j] < end) {
      reached[j] = start[j];
      next[j] = head[row[start[j]]];
      head[row[start[j]]] = j;
    }
  }
  return true;
}

// y (n rows of W values side by side: W columns) := N^-1 y. Each column goes through the same
// operations in the same order whatever its neighbours, so a column's solution does not depend
// on the columns solved beside it.
template <int W>
ORVANE_WIDE_VECTORS void SolveKernel(int n, const std::size_t* start, const int* row, const double* value,
                                     const double* inverseDiagonal, double* y) {
  for (int j = 0; j < n; ++j) {
    double* yj = y + static_cast<std::size_t>(j) * W;
    // A row that no column has reached yet stays zero (the non-zeros of a column spread only up
    // the elimination tree of its points): nothing to pass on.
    bool reached = false;
    for (int c = 0; c < W; ++c) reached |= yj[c] != 0.0;
    if (!reached) continue;
    double t[W];
    for (int c = 0; c < W; ++c) t[c] = yj[c] * inverseDiagonal[j];
    for (int c = 0; c < W; ++c) yj[c] = t[c];
    for (std::size_t p = start[j]; p < start[j + 1]; ++p) {
      const double l = value[p];
      double* yr = y + static_cast<std::size_t>(row[p]) * W;
      for (int c = 0; c < W; ++c) yr[c] -= l * t[c];
    }
  }
  // The back substitution sums each row's products in four partial sums (elements p, p+1, p+2,
  // p+3 of the column), so that one subtraction need not wait for the one before.
  for (int j = n - 1; j >= 0; --j) {
    double* yj = y + static_cast<std::size_t>(j) * W;
    double s[4][W] = {};
    std::size_t p = start[j];
    const std::size_t end = start[j + 1];
    for (; p + 4 <= end; p += 4)
      for (int k = 0; k < 4; ++k) {
        const double l = value[p + k];
        const double* yr = y + static_cast<std::size_t>(row[p + k]) * W;
        for (int c = 0; c < W; ++c) s[k][c] += l * yr[c];
      }
    for (int k = 0; p < end; ++p, ++k) {
      const double l = value[p];
      const double* yr = y + static_cast<std::size_t>(row[p]) * W;
      for (int c = 0; c < W; ++c) s[k][c] += l * yr[c];
    }
    for (int c = 0; c < W; ++c) yj[c] = (yj[c] - ((s[0][c] + s[1][c]) + (s[2][c] + s[3][c]))) * inverseDiagonal[j];
  }
}

}  // namespace

bool SparseFactor::Factor() {
  if (!analysed_ || outsidePattern_) return false;
  return FactorKernel(n_, start_.data(), row_.data(), value_.data(), diagonal_.data(), pivot_.data(),
                      inverseDiagonal_.data());
}

bool SparseFactor::Downdate(int a, int b, double w) {
  if (!analysed_ || !(w > 0) || b < 1 || b > n_ || a < 0 || a > n_ || a == b) return false;
  const double s = std::sqrt(w);
  int j = position_[b];
  diagonal_[j] -= w;
  spread_[j] = s;
  if (a != 0) {
    const int ja = position_[a];
    // The link must be in the pattern: then the later of its two columns is an ancestor of the
    // other in the elimination tree, and the rotations below reach both.
    const int low = std::min(j, ja), high = std::max(j, ja);
    const auto first = row_.begin() + static_cast<std::ptrdiff_t>(start_[low]);
    const auto last = row_.begin() + static_cast<std::ptrdiff_t>(start_[low + 1]);
    const auto at = std::lower_bound(first, last, high);
    if (at == last || *at != high) {
      diagonal_[j] += w;
      spread_[j] = 0.0;
      return false;
    }
    diagonal_[ja] -= w;
    spread_[ja] = -s;
    j = std::min(j, ja);  // the other point's column is an ancestor of this one (they are linked)
  }
  // One hyperbolic rotation per column on the path up the elimination tree: L(j, j) becomes
  // sqrt(L(j, j)^2 - x(j)^2) and the column and x below it turn with it.
  bool sound = true;
  for (;;) {
    const std::size_t first = start_[j], end = start_[j + 1];
    const double xj = spread_[j];
    spread_[j] = 0.0;
    if (xj != 0.0 && sound) {
      const double ljj = pivot_[j];
      const double pivot = (ljj - xj) * (ljj + xj);
      if (!std::isfinite(pivot) || pivot < kDefectPivot || pivot < kDefectPivotRatio * diagonal_[j]) sound = false;
      if (sound) {
        const double r = std::sqrt(pivot);
        const double c = r / ljj, sn = xj / ljj;
        pivot_[j] = r;
        inverseDiagonal_[j] = 1.0 / r;
        for (std::size_t p = first; p < end; ++p) {
          const double lij = (value_[p] - sn * spread_[row_[p]]) / c;
          spread_[row_[p]] = c * spread_[row_[p]] - sn * lij;
          value_[p] = lij;
        }
      }
    }
    if (first == end) break;
    j = row_[first];  // the parent in the elimination tree
  }
  if (!sound) std::fill(spread_.begin(), spread_.end(), 0.0);
  return sound;
}

void SparseFactor::SolveColumns(std::vector<std::vector<double>>& columns) const {
  // Blocks of up to 8 columns side by side: one pass over the factor each, with every column's
  // values of a row in one vector register or two.
  constexpr std::size_t kBlock = 8;
  std::vector<double> y;
  for (std::size_t first = 0; first < columns.size(); first += kBlock) {
    const std::size_t count = std::min(kBlock, columns.size() - first);
    const std::size_t width = count == 1 ? 1 : count == 2 ? 2 : count <= 4 ? 4 : 8;
    y.assign(static_cast<std::size_t>(n_) * width, 0.0);
    for (std::size_t c = 0; c < count; ++c) {
      const std::vector<double>& x = columns[first + c];
      for (int i = 1; i <= n_; ++i) y[static_cast<std::size_t>(position_[i]) * width + c] = x[i];
    }
    const auto args = std::make_tuple(n_, start_.data(), row_.data(), value_.data(), inverseDiagonal_.data(), y.data());
    if (width == 1) std::apply(SolveKernel<1>, args);
    if (width == 2) std::apply(SolveKernel<2>, args);
    if (width == 4) std::apply(SolveKernel<4>, args);
    if (width == 8) std::apply(SolveKernel<8>, args);
    for (std::size_t c = 0; c < count; ++c) {
      std::vector<double>& x = columns[first + c];
      for (int i = 1; i <= n_; ++i) x[i] = y[static_cast<std::size_t>(position_[i]) * width + c];
    }
  }
}

}  // namespace kvel
