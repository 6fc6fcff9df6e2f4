#pragma once
// Reduction of raw levelling lines: the height difference and sight lengths of each set-up, the
// sections between section points (dh = sum of the set-ups' dh, L = sum of back and fore sights,
// n = set-ups), the intermediate sights, and the comparison with the instrument's own figures.
//
// Section points: every benchmark of the folder's catalogue, the first and last point of each
// line (and the two sides of a break in a line), and every point whose name does not match the
// turning-point pattern. An empty pattern makes every set-up a section of its own.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "leveling/field/raw_level.h"

namespace kvel::field {

struct SetupReduction {
  double dh = 0;          // mean of the readings' differences, m
  double backSight = 0;   // mean back sight, m
  double foreSight = 0;   // mean fore sight, m
  bool hasCheck = false;  // two readings of each staff
  double check = 0;       // (B1 - F1) - (B2 - F2), m
};
SetupReduction ReduceSetup(const Setup& setup);

struct SectionRun {
  std::string from, to;
  double dh = 0;      // m
  double length = 0;  // m
  int setups = 0;
  std::size_t file = 0, line = 0;  // indices of the raw file and of its line
  int firstSourceLine = 0, lastSourceLine = 0;
};

struct LineReduction {
  std::size_t file = 0, line = 0;
  std::string start, end;
  int setups = 0;
  double length = 0, sumDh = 0, backSum = 0, foreSum = 0;
  double maxCheck = 0;  // largest |station check| of a double method, m
  // The instrument's station differences against ours, by magnitude (vendors differ in sign).
  int checksCompared = 0, checksDisagreeing = 0;
  // The instrument's heights against ours (chained from its first height).
  int heightsCompared = 0, heightsDisagreeing = 0;
  double maxHeightDifference = 0;  // largest |ours - instrument's| change of height over a set-up, m
  bool hasEndHeights = false;
  double ourEndHeight = 0, instrumentEndHeight = 0;
  int breaks = 0;
  bool continuesPrevious = false;  // the section open at the end of the line before runs on
};

struct IntermediateReduction {
  std::string point, backPoint;
  double dh = 0;     // from the set-up's back point, m
  double sight = 0;  // m
  int sourceLine = 0;
};

struct Reduction {
  std::vector<SectionRun> sections;  // in file order
  std::vector<LineReduction> lines;
  std::vector<IntermediateReduction> intermediates;
  std::vector<std::string> warnings;  // UTF-8
};

struct SectionRules {
  std::string turningPoints;  // ECMAScript pattern matched against the whole name; empty: none
  std::unordered_set<std::string> benchmarks;
};

// The change of height over a set-up that the instrument's figures may differ from ours by
// (their rounding to the file's resolution), m.
inline constexpr double kInstrumentHeightTolerance = 0.00015;

// False with `error` (UTF-8) when the pattern is no regular expression.
bool Reduce(const std::vector<RawFile>& files, const SectionRules& rules, Reduction& result, std::string& error);

}  // namespace kvel::field
