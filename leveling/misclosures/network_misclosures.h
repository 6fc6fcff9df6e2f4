#pragma once
// Misclosures of a levelling network before its adjustment: the independent loops (a cycle basis
// from a breadth-first spanning forest: each observation outside the tree closes one loop with
// the tree path between its ends) and the paths between benchmarks (from the first benchmark of
// each connected part to each other one, along the tree). Each carries its points, its length
// (the sum of the observations' lengths or accuracy parameters) and its misclosure.
#include <string>
#include <utility>
#include <vector>

#include "common/text_writer.h"

namespace kvel::misclosures {

struct Edge {
  int from = 0, to = 0;  // 0-based points
  double dh = 0;         // H(to) - H(from) as measured, m
  double r = 0;          // length in km (or the accuracy parameter)
};

struct Closure {
  std::vector<int> points;  // the walk; a loop ends where it starts
  double w = 0;             // misclosure, m: the sum of dh along the walk (minus the known difference of a path)
  double r = 0;             // its length
  double Relative() const;  // |w| in mm per sqrt(r)
};

struct Misclosures {
  std::vector<Closure> loops;  // largest relative misclosure first
  std::vector<Closure> paths;  // likewise
  int components = 0;
};

// `benchmarks`: points of known height (0-based point, height in m); a point listed twice counts once.
Misclosures FindMisclosures(int pointCount, const std::vector<Edge>& edges,
                            const std::vector<std::pair<int, double>>& benchmarks);

// The report zamkniecia.osn (Windows-1250 bytes): `names` are the points' numbers (0-based),
// `k` the tolerance factor in mm/sqrt(km) (0: no verdicts), `lengthIsKm` whether r is a length.
void WriteMisclosureReport(orvane::TextWriter& out, const Misclosures& m, const std::vector<std::string>& names,
                           int observations, double k, bool lengthIsKm);

}  // namespace kvel::misclosures
