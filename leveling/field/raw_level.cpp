#include "leveling/field/raw_level.h"

namespace kvel::field {

const char* MethodName(LevelMethod method) {
  switch (method) {
    case LevelMethod::BF: return "BF";
    case LevelMethod::BFFB: return "BFFB";
    case LevelMethod::BBFF: return "BBFF";
    case LevelMethod::aBF: return "aBF";
    case LevelMethod::aBFFB: return "aBFFB";
    case LevelMethod::Unknown: break;
  }
  return "?";
}

bool IsDoubleMethod(LevelMethod method) {
  return method == LevelMethod::BFFB || method == LevelMethod::BBFF || method == LevelMethod::aBFFB;
}

int LineBuilder::Pairs(const LevelLine& line) const { return IsDoubleMethod(line.method) ? 2 : 1; }

void LineBuilder::StartLine(LevelMethod method, int sourceLine) {
  LevelLine line;
  line.number = static_cast<int>(file_.lines.size()) + 1;
  line.method = method;
  line.startLine = sourceLine;
  file_.lines.push_back(std::move(line));
  open_ = true;
  setupOpen_ = false;
  lastWasIntermediate_ = false;
}

void LineBuilder::ContinueLine(int sourceLine) {
  if (file_.lines.empty()) StartLine(LevelMethod::Unknown, sourceLine);
  open_ = true;
}

void LineBuilder::EndLine() {
  if (open_ && setupOpen_) {
    LevelLine& line = file_.lines.back();
    const Setup& s = line.setups.back();
    file_.dropped.push_back({s.firstLine, "", "stanowisko niedokończone przed końcem ciągu"});
    line.setups.pop_back();
  }
  setupOpen_ = false;
  lastWasIntermediate_ = false;
  // The line stays the last one, so a Cont-Line or a summary after End-Line still reaches it.
}

void LineBuilder::Finish() {
  EndLine();
  open_ = false;
}

LevelLine& LineBuilder::Line(int sourceLine) {
  if (!open_) StartLine(LevelMethod::Unknown, sourceLine);
  return file_.lines.back();
}

Setup& LineBuilder::OpenSetup(int sourceLine, bool second) {
  LevelLine& line = Line(sourceLine);
  if (!setupOpen_) {
    // A second reading after a finished single-pair set-up belongs to it (a double method that
    // the file did not name).
    if (second && !line.setups.empty() && line.setups.back().back.size() + line.setups.back().fore.size() == 2) {
      setupOpen_ = true;
      return line.setups.back();
    }
    Setup s;
    s.firstLine = sourceLine;
    line.setups.push_back(std::move(s));
    setupOpen_ = true;
  }
  return line.setups.back();
}

void LineBuilder::Add(const std::string& point, const Reading& reading, bool second, bool back) {
  Setup& s = OpenSetup(reading.sourceLine, second);
  std::string& name = back ? s.backPoint : s.forePoint;
  if (name.empty()) name = point;
  else if (name != point)
    file_.warnings.push_back("wiersz " + std::to_string(reading.sourceLine) + ": drugi odczyt " +
                             (back ? "wstecz" : "w przód") + " na inny punkt (" + point + " zamiast " + name + ")");
  (back ? s.back : s.fore).push_back(reading);
  s.lastLine = reading.sourceLine;
  LevelLine& line = file_.lines.back();
  int pairs = Pairs(line);
  if (second) pairs = 2;
  if (s.Complete(pairs)) setupOpen_ = false;
  lastWasIntermediate_ = false;
}

void LineBuilder::Back(const std::string& point, const Reading& reading, bool second) { Add(point, reading, second, true); }
void LineBuilder::Fore(const std::string& point, const Reading& reading, bool second) { Add(point, reading, second, false); }

void LineBuilder::Intermediate(const std::string& point, const Reading& reading) {
  LevelLine& line = Line(reading.sourceLine);
  // An intermediate sight is taken from the set-up whose back reading is known: the open one
  // when it has it, else the last finished one (sights written after a set-up's height line).
  std::size_t index = line.setups.size();
  if (setupOpen_ && !line.setups.back().back.empty()) index = line.setups.size() - 1;
  else if (!line.setups.empty() && !setupOpen_) index = line.setups.size() - 1;
  else if (line.setups.size() >= 2) index = line.setups.size() - 2;
  if (index >= line.setups.size()) {
    file_.dropped.push_back({reading.sourceLine, point, "pomiar pośredni bez odczytu wstecz na stanowisku"});
    return;
  }
  line.intermediates.push_back({point, index, reading, false, 0});
  lastWasIntermediate_ = true;
}

void LineBuilder::InstrumentHeight(const std::string& point, double height) {
  LevelLine& line = Line(0);
  if (lastWasIntermediate_ && !line.intermediates.empty() && line.intermediates.back().point == point) {
    line.intermediates.back().hasInstrumentHeight = true;
    line.intermediates.back().instrumentHeight = height;
    return;
  }
  if (line.setups.empty()) {
    line.hasStartHeight = true;
    line.startHeight = height;
    return;
  }
  Setup& s = line.setups.back();
  if (!setupOpen_ && s.forePoint == point) {
    s.hasInstrumentHeight = true;
    s.instrumentHeight = height;
  }
}

void LineBuilder::InstrumentStationDifference(double value) {
  if (!open_ || file_.lines.back().setups.empty() || setupOpen_) return;
  Setup& s = file_.lines.back().setups.back();
  s.hasInstrumentStationDifference = true;
  s.instrumentStationDifference = value;
}

void LineBuilder::DropLastReading(int sourceLine, const std::string& why) {
  if (!open_ || file_.lines.back().setups.empty()) return;
  LevelLine& line = file_.lines.back();
  if (lastWasIntermediate_ && !line.intermediates.empty()) {
    file_.dropped.push_back({line.intermediates.back().reading.sourceLine, "punkt " + line.intermediates.back().point, why});
    line.intermediates.pop_back();
    lastWasIntermediate_ = false;
    return;
  }
  Setup& s = line.setups.back();
  // The reading read last: the later of the last back and the last fore reading.
  const int backLine = s.back.empty() ? -1 : s.back.back().sourceLine;
  const int foreLine = s.fore.empty() ? -1 : s.fore.back().sourceLine;
  if (backLine < 0 && foreLine < 0) return;
  const bool back = backLine > foreLine;
  file_.dropped.push_back({back ? backLine : foreLine, "punkt " + (back ? s.backPoint : s.forePoint), why});
  (back ? s.back : s.fore).pop_back();
  if (s.back.empty()) s.backPoint.clear();
  if (s.fore.empty()) s.forePoint.clear();
  s.hasInstrumentHeight = false;
  s.hasInstrumentStationDifference = false;
  if (s.back.empty() && s.fore.empty()) {
    line.setups.pop_back();
    setupOpen_ = false;
  } else {
    setupOpen_ = true;
  }
  (void)sourceLine;
}

void LineBuilder::DropSetup(int sourceLine, const std::string& why) {
  if (!open_ || file_.lines.back().setups.empty()) return;
  LevelLine& line = file_.lines.back();
  const Setup& s = line.setups.back();
  const std::size_t index = line.setups.size() - 1;
  file_.dropped.push_back({s.firstLine, "stanowisko " + s.backPoint + " - " + s.forePoint, why});
  // Intermediate sights taken from the dropped set-up go with it.
  while (!line.intermediates.empty() && line.intermediates.back().setup == index) {
    file_.dropped.push_back({line.intermediates.back().reading.sourceLine, "punkt " + line.intermediates.back().point, why});
    line.intermediates.pop_back();
  }
  line.setups.pop_back();
  setupOpen_ = false;
  lastWasIntermediate_ = false;
  (void)sourceLine;
}

void LineBuilder::Summary(const char kind, double value) {
  if (file_.lines.empty()) return;
  LevelLine& line = file_.lines.back();
  line.hasSummary = true;
  switch (kind) {
    case 'h': line.summarySumDh = value; line.hasSummarySumDh = true; break;
    case 'z': line.summaryMisclosure = value; line.hasSummaryMisclosure = true; break;
    case 'b': line.summaryBack = value; line.hasSummaryLengths = true; break;
    case 'f': line.summaryFore = value; line.hasSummaryLengths = true; break;
    case 'L': line.summaryTotal = value; line.hasSummaryTotal = true; break;
    case 'd': line.summaryBalance = value; break;
    default: break;
  }
}

}  // namespace kvel::field
