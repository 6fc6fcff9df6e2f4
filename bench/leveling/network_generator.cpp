#include "network_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <set>
#include <utility>

#include "common/number_format.h"
#include "common/text_writer.h"

namespace kvel::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;

// mt19937_64 is fully specified; the distributions of the standard library are not, so the
// uniform and normal variates are formed here to give the same network everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  double Uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  int Below(int n) { return static_cast<int>(Uniform() * n); }
  double Normal() {
    const double u1 = 1.0 - Uniform();  // (0, 1]
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2 * kPi * u2);
  }

 private:
  std::mt19937_64 engine_;
};

// Rolling lowland terrain between about 100 and 280 m.
double Terrain(double x, double y) {
  return 180 + 45 * std::sin(x / 6.3) * std::cos(y / 8.1) + 25 * std::sin((x + 2 * y) / 15.7) + 0.8 * x - 0.5 * y;
}

struct Site {
  double x = 0, y = 0;  // km
  int anchor = 0;       // grid index the site belongs to, for the order of the field work
};

}  // namespace

GeneratedNetwork GenerateNetwork(const NetworkShape& shape) {
  Random random(shape.seed);
  GeneratedNetwork net;
  net.unitError = shape.unitError;
  const int total = std::max(shape.points, 2);
  const int chainPoints = total >= 20 ? total * 15 / 100 : 0;
  const int gridPoints = total - chainPoints;
  const int width = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(gridPoints)))));
  constexpr double spacing = 0.9;  // km between grid points

  std::vector<Site> sites(static_cast<std::size_t>(total));
  net.names.resize(static_cast<std::size_t>(total));
  net.heights.resize(static_cast<std::size_t>(total));
  for (int i = 0; i < gridPoints; ++i) {
    Site& s = sites[static_cast<std::size_t>(i)];
    s.x = (i % width) * spacing + (random.Uniform() - 0.5) * 0.5;
    s.y = (i / width) * spacing + (random.Uniform() - 0.5) * 0.5;
    s.anchor = i;
    net.names[static_cast<std::size_t>(i)] = std::to_string(1001 + i);
    net.heights[static_cast<std::size_t>(i)] = Terrain(s.x, s.y) + random.Uniform() * 3;
  }

  std::vector<std::pair<int, int>> edges;  // mandatory first: they connect the network
  std::set<std::pair<int, int>> used;
  auto addEdge = [&](int a, int b) {
    edges.emplace_back(a, b);
    used.emplace(std::min(a, b), std::max(a, b));
  };
  for (int i = 0; i < gridPoints; ++i)
    if (i % width + 1 < width && i + 1 < gridPoints) addEdge(i, i + 1);  // along the rows
  for (int i = 0; i + width < gridPoints; i += width) addEdge(i, i + width);  // down the first column

  // Levelling lines of 3 to 7 intermediate points between two grid points a few cells apart.
  int chain = 0;
  for (int next = gridPoints; next < total; ++chain) {
    const int length = std::min(3 + random.Below(5), total - next);
    const int a = random.Below(gridPoints);
    int b = std::min(gridPoints - 1, a + 1 + random.Below(2) + width * random.Below(3));
    if (b == a) b = a == 0 ? std::min(1, gridPoints - 1) : a - 1;
    const Site& sa = sites[static_cast<std::size_t>(a)];
    const Site& sb = sites[static_cast<std::size_t>(b)];
    int previous = a;
    for (int k = 1; k <= length; ++k, ++next) {
      const double t = static_cast<double>(k) / (length + 1);
      Site& s = sites[static_cast<std::size_t>(next)];
      s.x = sa.x + (sb.x - sa.x) * t + (random.Uniform() - 0.5) * 0.3;
      s.y = sa.y + (sb.y - sa.y) * t + (random.Uniform() - 0.5) * 0.3;
      s.anchor = a;
      net.names[static_cast<std::size_t>(next)] = "L" + std::to_string(chain + 1) + "/" + std::to_string(k);
      net.heights[static_cast<std::size_t>(next)] = Terrain(s.x, s.y) + random.Uniform() * 2;
      addEdge(previous, next);
      previous = next;
    }
    addEdge(previous, b);
  }

  // Optional observations: the other columns, then diagonals, then repeated measurements.
  std::vector<std::pair<int, int>> optional;
  for (int i = 0; i + width < gridPoints; ++i)
    if (i % width != 0) optional.emplace_back(i, i + width);
  std::vector<std::pair<int, int>> diagonals;
  for (int i = 0; i + width < gridPoints; ++i) {
    if (i % width + 1 < width && i + width + 1 < gridPoints) diagonals.emplace_back(i, i + width + 1);
    if (i % width > 0) diagonals.emplace_back(i, i + width - 1);
  }
  for (std::size_t k = diagonals.size(); k > 1; --k)  // Fisher-Yates with our own variates
    std::swap(diagonals[k - 1], diagonals[static_cast<std::size_t>(random.Below(static_cast<int>(k)))]);
  optional.insert(optional.end(), diagonals.begin(), diagonals.end());
  for (const auto& [a, b] : optional) {
    if (static_cast<int>(edges.size()) >= shape.observations) break;
    if (used.count({std::min(a, b), std::max(a, b)})) continue;
    addEdge(a, b);
  }
  const std::size_t distinct = edges.size();
  while (static_cast<int>(edges.size()) < shape.observations && distinct > 0) {
    const auto e = edges[static_cast<std::size_t>(random.Below(static_cast<int>(distinct)))];
    edges.emplace_back(e.second, e.first);  // measured back
  }

  // Field-work order: by the area of the first point, stable within it.
  std::stable_sort(edges.begin(), edges.end(), [&](const auto& l, const auto& r) {
    return sites[static_cast<std::size_t>(l.first)].anchor / width < sites[static_cast<std::size_t>(r.first)].anchor / width;
  });
  net.observations.reserve(edges.size());
  for (auto [a, b] : edges) {
    if (random.Uniform() < 0.5) std::swap(a, b);
    const Site& sa = sites[static_cast<std::size_t>(a)];
    const Site& sb = sites[static_cast<std::size_t>(b)];
    GeneratedObservation o;
    o.from = a;
    o.to = b;
    o.lengthKm = std::max(0.05, std::round(std::hypot(sb.x - sa.x, sb.y - sa.y) * 1.15 * 100) / 100);
    o.dh = net.heights[static_cast<std::size_t>(b)] - net.heights[static_cast<std::size_t>(a)] +
           random.Normal() * shape.unitError * std::sqrt(o.lengthKm);
    net.observations.push_back(o);
  }

  // Benchmarks: grid points spread evenly over the network, named as benchmarks, and records of
  // benchmarks of the region that this network does not reach.
  const int tied = std::clamp(shape.tiedBenchmarks > 0 ? shape.tiedBenchmarks : std::max(2, total / 100), 0,
                              std::min(gridPoints, shape.benchRecords));
  for (int n = 0; n < tied; ++n) {
    const int i = static_cast<int>(static_cast<long long>(n) * gridPoints / tied);
    net.names[static_cast<std::size_t>(i)] = "Rp." + std::to_string(2101 + n);
    net.benchmarks.push_back({net.names[static_cast<std::size_t>(i)], net.heights[static_cast<std::size_t>(i)]});
  }
  for (int n = tied; n < shape.benchRecords; ++n)
    net.benchmarks.push_back({"RpZ." + std::to_string(n + 1), 100 + random.Uniform() * 180});
  for (std::size_t k = net.benchmarks.size(); k > 1; --k)
    std::swap(net.benchmarks[k - 1], net.benchmarks[static_cast<std::size_t>(random.Below(static_cast<int>(k)))]);
  return net;
}

bool WriteNetwork(const GeneratedNetwork& network, const std::string& folder) {
  orvane::TextWriter deltah;
  deltah.Create(folder + "/deltah");
  std::string line;
  for (const auto& o : network.observations) {
    line = network.names[static_cast<std::size_t>(o.from)];
    line += ' ';
    line += network.names[static_cast<std::size_t>(o.to)];
    line += orvane::FixedField(o.dh, 11, 5);
    line += orvane::FixedField(o.lengthKm, 7, 2);
    deltah.Line(line);
  }
  deltah.Line("0 0 " + orvane::FixedField(network.unitError, 0, 4) + " 0");
  const bool deltahOk = deltah.Close();

  orvane::TextWriter hsta;
  hsta.Create(folder + "/h.sta");
  for (const auto& b : network.benchmarks) hsta.Line(b.nr + " " + orvane::FixedField(b.height, 0, 4));
  hsta.Line("0 0");
  return hsta.Close() && deltahOk;
}

}  // namespace kvel::bench
