#include "leveling/misclosures/network_misclosures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/cp1250.h"

namespace kvel::misclosures {

double Closure::Relative() const { return std::fabs(w) * 1000 / std::sqrt(std::max(r, 1e-12)); }

namespace {

struct Forest {
  std::vector<int> parent, depth, component;
  std::vector<double> potential, length;  // sums of dh and r from the root of the point's tree
};

// The tree path between a and b: a up to their common ancestor, then down to b.
void TreePath(const Forest& t, int a, int b, std::vector<int>& out, int& common) {
  std::vector<int> down;
  out.clear();
  while (t.depth[a] > t.depth[b]) out.push_back(a), a = t.parent[a];
  while (t.depth[b] > t.depth[a]) down.push_back(b), b = t.parent[b];
  while (a != b) {
    out.push_back(a), a = t.parent[a];
    down.push_back(b), b = t.parent[b];
  }
  common = a;
  out.push_back(a);
  out.insert(out.end(), down.rbegin(), down.rend());
}

void SortByRelative(std::vector<Closure>& closures) {
  std::stable_sort(closures.begin(), closures.end(), [](const Closure& a, const Closure& b) { return a.Relative() > b.Relative(); });
}

}  // namespace

Misclosures FindMisclosures(int pointCount, const std::vector<Edge>& edges, const std::vector<std::pair<int, double>>& benchmarks) {
  Misclosures result;
  const auto n = static_cast<std::size_t>(pointCount);
  // Adjacency in compressed rows: for each point the edges that touch it.
  std::vector<int> start(n + 1, 0), incident(edges.size() * 2);
  for (const Edge& e : edges) ++start[static_cast<std::size_t>(e.from) + 1], ++start[static_cast<std::size_t>(e.to) + 1];
  for (std::size_t i = 0; i < n; ++i) start[i + 1] += start[i];
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (std::size_t k = 0; k < edges.size(); ++k) {
      incident[static_cast<std::size_t>(fill[static_cast<std::size_t>(edges[k].from)]++)] = static_cast<int>(k);
      incident[static_cast<std::size_t>(fill[static_cast<std::size_t>(edges[k].to)]++)] = static_cast<int>(k);
    }
  }

  Forest t;
  t.parent.assign(n, -1);
  t.depth.assign(n, 0);
  t.component.assign(n, -1);
  t.potential.assign(n, 0.0);
  t.length.assign(n, 0.0);
  std::vector<char> treeEdge(edges.size(), 0);
  std::vector<int> queue;
  queue.reserve(n);
  // Roots: benchmarks first, so that each part's paths start at a benchmark.
  std::vector<int> roots;
  for (const auto& b : benchmarks) roots.push_back(b.first);
  for (int p = 0; p < pointCount; ++p) roots.push_back(p);
  for (int root : roots) {
    if (root < 0 || root >= pointCount || t.component[static_cast<std::size_t>(root)] >= 0) continue;
    const int c = result.components++;
    t.component[static_cast<std::size_t>(root)] = c;
    queue.clear();
    queue.push_back(root);
    for (std::size_t head = 0; head < queue.size(); ++head) {
      const int u = queue[head];
      for (int s = start[static_cast<std::size_t>(u)]; s < start[static_cast<std::size_t>(u) + 1]; ++s) {
        const int k = incident[static_cast<std::size_t>(s)];
        const Edge& e = edges[static_cast<std::size_t>(k)];
        const int v = e.from == u ? e.to : e.from;
        if (t.component[static_cast<std::size_t>(v)] >= 0) continue;
        const auto vi = static_cast<std::size_t>(v);
        t.component[vi] = c;
        t.parent[vi] = u;
        t.depth[vi] = t.depth[static_cast<std::size_t>(u)] + 1;
        t.potential[vi] = t.potential[static_cast<std::size_t>(u)] + (e.from == u ? e.dh : -e.dh);
        t.length[vi] = t.length[static_cast<std::size_t>(u)] + e.r;
        treeEdge[static_cast<std::size_t>(k)] = 1;
        queue.push_back(v);
      }
    }
  }

  // Every observation outside the tree closes one independent loop.
  int common = 0;
  for (std::size_t k = 0; k < edges.size(); ++k) {
    if (treeEdge[k]) continue;
    const Edge& e = edges[k];
    Closure loop;
    // Walk: to -> (tree) -> from -> (the observation) -> to.
    TreePath(t, e.to, e.from, loop.points, common);
    loop.points.push_back(e.to);
    const auto f = static_cast<std::size_t>(e.from), to = static_cast<std::size_t>(e.to);
    loop.w = t.potential[f] + e.dh - t.potential[to];
    loop.r = t.length[f] + t.length[to] - 2 * t.length[static_cast<std::size_t>(common)] + e.r;
    result.loops.push_back(std::move(loop));
  }

  // Paths from the first benchmark of each part to every other benchmark of that part.
  std::vector<int> firstOfPart(static_cast<std::size_t>(result.components), -1);
  std::vector<double> firstHeight(static_cast<std::size_t>(result.components), 0.0);
  std::vector<char> seen(n, 0);
  for (const auto& [p, h] : benchmarks) {
    if (p < 0 || p >= pointCount || seen[static_cast<std::size_t>(p)]) continue;
    seen[static_cast<std::size_t>(p)] = 1;
    const auto c = static_cast<std::size_t>(t.component[static_cast<std::size_t>(p)]);
    if (firstOfPart[c] < 0) {
      firstOfPart[c] = p;
      firstHeight[c] = h;
      continue;
    }
    const int a = firstOfPart[c];
    Closure path;
    TreePath(t, a, p, path.points, common);
    const auto ai = static_cast<std::size_t>(a), pi = static_cast<std::size_t>(p);
    path.w = (t.potential[pi] - t.potential[ai]) - (h - firstHeight[c]);
    path.r = t.length[ai] + t.length[pi] - 2 * t.length[static_cast<std::size_t>(common)];
    result.paths.push_back(std::move(path));
  }
  SortByRelative(result.loops);
  SortByRelative(result.paths);
  return result;
}

namespace {

void WriteClosures(orvane::TextWriter& out, const std::vector<Closure>& closures, const std::vector<std::string>& names, double k) {
  char buffer[200];
  out.Line(orvane::ToCp1250("     lp     f [mm]        [r]  f/sqrt([r])   pkt") +
           (k > 0 ? orvane::ToCp1250("  f_dop [mm]  ocena") : std::string()));
  int lp = 0;
  for (const Closure& c : closures) {
    const double fMm = c.w * 1000;
    std::snprintf(buffer, sizeof buffer, "%7d %10.2f %10.3f %12.2f %5zu", ++lp, fMm, c.r, c.Relative(), c.points.size());
    std::string line = buffer;
    if (k > 0) {
      const double allowed = k * std::sqrt(std::max(c.r, 0.0));
      std::snprintf(buffer, sizeof buffer, " %11.2f  %s", allowed, std::fabs(fMm) <= allowed ? "dop." : "PRZEKR.");
      line += buffer;
    }
    out.Line(line);
    std::string points = "        ";
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      if (points.size() > 70) {
        out.Line(points);
        points = "        ";
      }
      points += (i ? " - " : "") + names[static_cast<std::size_t>(c.points[i])];
    }
    out.Line(points);
  }
  if (closures.empty()) out.Line("  - BRAK ");
}

}  // namespace

void WriteMisclosureReport(orvane::TextWriter& out, const Misclosures& m, const std::vector<std::string>& names, int observations,
                           double k, bool lengthIsKm) {
  using orvane::ToCp1250;
  char buffer[200];
  out.Line(std::string(76, '-'));
  out.Line(ToCp1250("  ZAMKNIĘCIA SIECI PRZED WYRÓWNANIEM"));
  out.Line(" ");
  std::snprintf(buffer, sizeof buffer, "  Liczba obserwacji = %d   punktów = %zu   części sieci = %d", observations, names.size(), m.components);
  out.Line(ToCp1250(buffer));
  std::snprintf(buffer, sizeof buffer, "  Liczba niezależnych pętli = %zu   ciągów między punktami nawiązania = %zu", m.loops.size(), m.paths.size());
  out.Line(ToCp1250(buffer));
  out.Line(ToCp1250(lengthIsKm ? "  [r]: długość w km (suma parametrów L obserwacji)"
                               : "  [r]: suma parametrów dokładności [r] obserwacji (jak w wykazie obserwacji)"));
  if (k > 0) {
    std::snprintf(buffer, sizeof buffer, "  Tolerancja: f_dop = %.2f * sqrt([r]) mm", k);
    out.Line(ToCp1250(buffer));
  } else {
    out.Line(ToCp1250("  Tolerancja: nie podano k, zamknięcia bez oceny"));
  }
  out.Line(ToCp1250("  Kolejność: od największego zamknięcia względnego f/sqrt([r])"));
  out.Line(" ");
  out.Line(ToCp1250("  PĘTLE (f = suma dh wzdłuż pętli)"));
  WriteClosures(out, m.loops, names, k);
  out.Line(" ");
  out.Line(ToCp1250("  CIĄGI MIĘDZY PUNKTAMI NAWIĄZANIA (f = suma dh - (H koniec - H początek))"));
  WriteClosures(out, m.paths, names, k);
  out.Line(" ");
}

}  // namespace kvel::misclosures
