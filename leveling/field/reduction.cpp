#include "leveling/field/reduction.h"

#include <cmath>
#include <regex>

namespace kvel::field {

namespace {

double Mean(const std::vector<Reading>& readings, bool distance) {
  if (readings.empty()) return 0;
  double sum = 0;
  for (const Reading& r : readings) sum += distance ? r.distance : r.value;
  return sum / static_cast<double>(readings.size());
}

// Tells section points from turning points; the answer for each name is kept (names repeat).
class SectionPoints {
 public:
  SectionPoints(const SectionRules& rules, const std::regex* pattern) : rules_(rules), pattern_(pattern) {}
  // A section point by its name alone (a benchmark, or no match of the pattern).
  bool Named(const std::string& name) { return (*this)(name); }
  bool operator()(const std::string& name) {
    if (!pattern_ || rules_.benchmarks.count(name)) return true;
    auto found = cache_.find(name);
    if (found != cache_.end()) return found->second;
    const bool section = !std::regex_match(name, *pattern_);
    cache_.emplace(name, section);
    return section;
  }

 private:
  const SectionRules& rules_;
  const std::regex* pattern_;
  std::unordered_map<std::string, bool> cache_;
};

// Sums of readings kept to 0.01 mm carry the binary rounding of each term: a section that
// closes to zero is written as 0.00000, not -0.00000.
double Clean(double metres) { return std::round(metres * 1e9) / 1e9; }
SectionRun Cleaned(SectionRun s) {
  s.dh = Clean(s.dh);
  return s;
}

}  // namespace

SetupReduction ReduceSetup(const Setup& setup) {
  SetupReduction r;
  r.dh = Mean(setup.back, false) - Mean(setup.fore, false);
  r.backSight = Mean(setup.back, true);
  r.foreSight = Mean(setup.fore, true);
  if (setup.back.size() == 2 && setup.fore.size() == 2) {
    r.hasCheck = true;
    r.check = (setup.back[0].value - setup.fore[0].value) - (setup.back[1].value - setup.fore[1].value);
  }
  return r;
}

bool Reduce(const std::vector<RawFile>& files, const SectionRules& rules, Reduction& result, std::string& error) {
  result = Reduction();
  std::regex pattern;
  if (!rules.turningPoints.empty()) {
    try {
      pattern = std::regex(rules.turningPoints, std::regex::ECMAScript | std::regex::optimize);
    } catch (const std::regex_error&) {
      error = "wzorzec punktów zmiennych \"" + rules.turningPoints + "\" nie jest wyrażeniem regularnym";
      return false;
    }
  }
  SectionPoints isSection(rules, rules.turningPoints.empty() ? nullptr : &pattern);

  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::vector<LevelLine>& lines = files[f].lines;
    // A line of the file that starts on the turning point where the line before it ended goes on
    // from it (the level was switched off, or the file was split): no section ends there, so the
    // turning point's name (repeated from line to line) never reaches deltah.
    std::vector<char> joinsNext(lines.size(), 0);
    for (std::size_t l = 0, previous = lines.size(); l < lines.size(); ++l) {
      if (lines[l].setups.empty()) continue;
      if (previous < lines.size()) {
        const std::string& end = lines[previous].setups.back().forePoint;
        joinsNext[previous] = end == lines[l].setups.front().backPoint && !isSection.Named(end);
      }
      previous = l;
    }
    SectionRun section;
    bool open = false;  // a section runs on from the line before
    for (std::size_t l = 0; l < lines.size(); ++l) {
      const LevelLine& line = lines[l];
      if (line.setups.empty()) continue;
      LineReduction lr;
      lr.file = f;
      lr.line = l;
      lr.start = line.setups.front().backPoint;
      lr.end = line.setups.back().forePoint;
      lr.continuesPrevious = open;
      // Our heights, chained from the instrument's first height (the start, else the first
      // set-up that has one), beside the instrument's.
      bool chained = line.hasStartHeight;
      double height = line.startHeight;
      bool previousKnown = line.hasStartHeight;
      double previousInstrument = line.startHeight;

      for (std::size_t s = 0; s < line.setups.size(); ++s) {
        const Setup& setup = line.setups[s];
        const SetupReduction r = ReduceSetup(setup);
        const bool broken = s > 0 && setup.backPoint != line.setups[s - 1].forePoint;
        if (broken) {
          ++lr.breaks;
          result.warnings.push_back(files[f].path + ", wiersz " + std::to_string(setup.firstLine) +
                                    ": ciąg przerwany (punkt wstecz " + setup.backPoint + ", ostatni punkt w przód " +
                                    line.setups[s - 1].forePoint + ")");
          open = false;
          chained = false;
          previousKnown = false;
        }
        if (!open) {
          section = SectionRun();
          section.from = setup.backPoint;
          section.file = f;
          section.line = l;
          section.firstSourceLine = setup.firstLine;
          open = true;
        }
        section.dh += r.dh;
        section.length += r.backSight + r.foreSight;
        ++section.setups;
        section.lastSourceLine = setup.lastLine;

        lr.setups += 1;
        lr.sumDh += r.dh;
        lr.backSum += r.backSight;
        lr.foreSum += r.foreSight;
        lr.length += r.backSight + r.foreSight;
        if (r.hasCheck) lr.maxCheck = std::max(lr.maxCheck, std::fabs(r.check));
        if (r.hasCheck && setup.hasInstrumentStationDifference) {
          ++lr.checksCompared;
          if (std::fabs(std::fabs(r.check) - std::fabs(setup.instrumentStationDifference)) > kInstrumentHeightTolerance)
            ++lr.checksDisagreeing;
        }

        if (chained) height += r.dh;
        if (setup.hasInstrumentHeight) {
          if (previousKnown) {
            const double difference = std::fabs(r.dh - (setup.instrumentHeight - previousInstrument));
            ++lr.heightsCompared;
            lr.maxHeightDifference = std::max(lr.maxHeightDifference, difference);
            if (difference > kInstrumentHeightTolerance) ++lr.heightsDisagreeing;
          }
          if (!chained) {
            chained = true;
            height = setup.instrumentHeight;
          }
          lr.hasEndHeights = true;
          lr.ourEndHeight = height;
          lr.instrumentEndHeight = setup.instrumentHeight;
          previousKnown = true;
          previousInstrument = setup.instrumentHeight;
        } else {
          previousKnown = false;
        }

        const bool last = s + 1 == line.setups.size();
        const bool breakNext = !last && line.setups[s + 1].backPoint != setup.forePoint;
        if ((last && !joinsNext[l]) || breakNext || isSection(setup.forePoint)) {
          section.to = setup.forePoint;
          result.sections.push_back(Cleaned(section));
          open = false;
        }
      }
      for (const IntermediateSight& sight : line.intermediates) {
        const Setup& setup = line.setups[sight.setup];
        IntermediateReduction ir;
        ir.point = sight.point;
        ir.backPoint = setup.backPoint;
        ir.dh = Mean(setup.back, false) - sight.reading.value;
        ir.sight = sight.reading.distance;
        ir.sourceLine = sight.reading.sourceLine;
        result.intermediates.push_back(ir);
      }
      // A line that ends on a turning point: such names repeat from line to line (1, 2, 3 ...),
      // so the same name in another line may be another point.
      for (const std::string* end : {&lr.start, &lr.end})
        if (!isSection.Named(*end) && !(end == &lr.start && lr.continuesPrevious) && !(end == &lr.end && joinsNext[l]))
          result.warnings.push_back(files[f].path + ", wiersz " + std::to_string(line.startLine) + ": ciąg zaczyna się lub kończy w punkcie zmiennym " +
                                    *end + " (ta sama nazwa w innym ciągu może oznaczać inny punkt)");
      lr.sumDh = Clean(lr.sumDh);
      result.lines.push_back(lr);
    }
  }
  return true;
}

}  // namespace kvel::field
