#include "quasigeoid/satellite_levelling.h"

#include <algorithm>
#include <initializer_list>

#include "common/cp1250.h"
#include "common/line_reader.h"
#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/text_writer.h"
#include "quasigeoid/messages.h"
#include "quasigeoid/point_lists.h"

namespace solvanta {

StationTable::StationTable() { Clear(); }

void StationTable::Clear() {
  numbers_.assign(1, std::string());
  anomalies_.assign(1, 0);
  group_.assign(1, 0);
  groups_.clear();
  indexed_ = false;
}

bool StationTable::Add(std::string_view nr, Real anomaly) {
  if (Count() >= kCapacity) return false;
  nr = CutPointNr(nr);
  numbers_.emplace_back(nr);
  anomalies_.push_back(anomaly);
  const auto [it, inserted] = groups_.try_emplace(numbers_.back(), static_cast<int>(groups_.size()));
  group_.push_back(it->second);
  indexed_ = false;
  return true;
}

void StationTable::BuildIndex() const {
  // A counting sort of the entries by group keeps each group's entries in ascending order.
  const std::size_t groupCount = groups_.size();
  groupStart_.assign(groupCount + 1, 0);
  for (int k = 1; k <= Count(); ++k) ++groupStart_[static_cast<std::size_t>(group_[static_cast<std::size_t>(k)]) + 1];
  for (std::size_t g = 0; g < groupCount; ++g) groupStart_[g + 1] += groupStart_[g];
  positions_.assign(static_cast<std::size_t>(Count()), 0);
  std::vector<int> next(groupStart_.begin(), groupStart_.end() - 1);
  for (int k = 1; k <= Count(); ++k) {
    const auto g = static_cast<std::size_t>(group_[static_cast<std::size_t>(k)]);
    positions_[static_cast<std::size_t>(next[g]++)] = k;
  }
  indexed_ = true;
}

StationTable::Positions StationTable::Find(std::string_view nr) const {
  const auto it = groups_.find(nr);
  if (it == groups_.end()) return {};
  const auto g = static_cast<std::size_t>(it->second);
  return {positions_.data() + groupStart_[g], positions_.data() + groupStart_[g + 1]};
}

bool StationTable::LookUp(std::string_view from, std::string_view to, int& i1, int& i2) const {
  if (!indexed_) BuildIndex();
  from = CutPointNr(from);
  to = CutPointNr(to);
  const Positions a = Find(from);
  const Positions b = Find(to);
  i1 = 0;
  i2 = 0;
  if (a.begin == a.end || b.begin == b.end) {
    // The scan runs to the end and notes the last match of the end that exists.
    if (a.begin != a.end) i1 = *(a.end - 1);
    if (b.begin != b.end) i2 = *(b.end - 1);
    return false;
  }
  // The scan stops at the entry where the second of the two numbers first appears; each end
  // holds its last match up to there.
  const int stop = std::max(*a.begin, *b.begin);
  i1 = *(std::upper_bound(a.begin, a.end, stop) - 1);
  i2 = *(std::upper_bound(b.begin, b.end, stop) - 1);
  return true;
}

bool StationTable::LookUpByScan(std::string_view from, std::string_view to, int& i1, int& i2) const {
  from = CutPointNr(from);
  to = CutPointNr(to);
  i1 = 0;
  i2 = 0;
  for (int k = 1; k <= Count(); ++k) {
    const std::string& nr = Number(k);
    if (nr == from) i1 = k;
    if (nr == to) i2 = k;
    if (i1 != 0 && i2 != 0) return true;
  }
  return false;
}

namespace {

const std::string& BadVectorText() {
  static const std::string text = orvane::ToCp1250(messages::kBadRecordHeights);
  return text;
}
const std::string& NoCoordinatesText() {
  static const std::string text = orvane::ToCp1250(messages::kNoCoordinates);
  return text;
}
const std::string& NotComputedText() {
  static const std::string text = orvane::ToCp1250(messages::kNotComputedBlhError);
  return text;
}
const std::string& BadStationBoxText() {
  static const std::string text = orvane::ToCp1250(messages::kBlhBadRecord);
  return text;
}
constexpr std::string_view kOutsideText = messages::kOutsideArea;
const std::string& NoCoverageText() {
  static const std::string text = orvane::ToCp1250(messages::kNoCoverage);
  return text;
}
constexpr std::string_view kTooManyText = messages::kTooManyPoints;
constexpr std::string_view kEndRecord = "               0    0    0    0  ";

// Closes DELTAH1 and tells the user when any of its lines did not reach the disk.
bool CloseResult(orvane::TextWriter& result, CalculatorHost& host) {
  if (result.Close()) return true;
  host.ShowMessage(WriteErrorMessage(result.Path(), result.Problem()));
  return false;
}

// The line that tells of a decimal comma in `line`, before the record's own line, once per input
// file (`warned` remembers it).
void WarnOfDecimalComma(bool& warned, const std::string& line, std::initializer_list<int> realFields,
                        orvane::TextWriter& result) {
  if (warned || !orvane::HasDecimalComma(line, realFields)) return;
  result.Line(DecimalCommaLine(line));
  warned = true;
}

// BLH.grs into the station table: each admissible point with its N; a point outside the model
// gets its line in DELTAH1. Finished when the file was read whole; otherwise the outcome of the
// run, with the text of its box in `box` (DELTAH1 still to be closed before the box is shown).
orvane::RunOutcome ReadStations(orvane::LineReader& positions, const std::string& path, ReferenceFrame frame,
                                const ModelGrid& grid, orvane::FieldTable& fields, StationTable& stations,
                                orvane::TextWriter& result, std::string& box) {
  using orvane::RunOutcome;
  std::string line;
  std::string out;
  int count = 0;
  // A decimal comma is told once per input file, by a message line before the record's own.
  bool commaWarned = false;
  stations.Clear();
  while (positions.ReadLine(line)) {
    orvane::SplitFields(line, fields, count);
    if (count < 7 || fields[1] == "0") continue;
    orvane::DmsPosition dms;
    if (!orvane::ParseDmsFields({fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]}, dms)) {
      result.Line(NotComputedText());
      box = BadStationBoxText() + line + orvane::RecordPlace("BLH.grs", positions.LineNumber());
      return RunOutcome::EndProgram;
    }
    WarnOfDecimalComma(commaWarned, line, {4, 7}, result);
    const GeodeticPoint point = PointOf(dms);
    GridPosition position;
    if (!LocateCell(point, EdgeClamping::Off, position)) {
      out.assign(CutPointNr(fields[1]));
      out += kOutsideText;
      result.Line(out);
      continue;
    }
    if (!CellHasData(grid, position)) {
      // Like a point outside the area: not entered, so its vectors have no coordinates.
      out.assign(CutPointNr(fields[1]));
      out += NoCoverageText();
      result.Line(out);
      continue;
    }
    const Real n = AnomalyAt(grid, position, frame, point);
    if (!stations.Add(fields[1], n)) {
      // The lines written so far are put on disk before the program ends.
      box = orvane::ToCp1250(kTooManyText);
      return RunOutcome::EndProgram;
    }
  }
  if (positions.Failed()) {
    box = CannotReadMessage(path);
    return RunOutcome::Stopped;
  }
  return RunOutcome::Finished;
}

// DELTAH.gps, vector by vector, into DELTAH1 (without its end record). False when the file could
// not be read whole.
bool ConvertVectors(orvane::LineReader& vectors, ReferenceFrame frame, orvane::FieldTable& fields,
                    const StationTable& stations, orvane::TextWriter& result) {
  std::string line;
  std::string out;
  line.reserve(256);
  out.reserve(256);
  int count = 0;
  bool commaWarned = false;  // told once per input file
  const std::string_view label = FrameLabel(frame);
  while (vectors.ReadLine(line)) {
    orvane::SplitFields(line, fields, count);
    if (count < 3 || fields[1] == "0") continue;
    Real dh = 0;
    Real inverseWeight = 0;
    if (!orvane::ParseNumber(fields[3], dh) || !orvane::ParseNumber(fields[4], inverseWeight)) {
      out.assign(BadVectorText());
      out += line;
      out += orvane::RecordPlace("DELTAH.gps", vectors.LineNumber());
      result.Line(out);
      continue;
    }
    WarnOfDecimalComma(commaWarned, line, {3, 4}, result);
    const std::string_view from = CutPointNr(fields[1]);
    const std::string_view to = CutPointNr(fields[2]);
    int i1 = 0;
    int i2 = 0;
    out.clear();
    orvane::AppendRightAligned(out, from, 16);
    out += ' ';
    orvane::AppendRightAligned(out, to, 16);
    if (!stations.LookUp(from, to, i1, i2)) {
      out += NoCoordinatesText();
      result.Line(out);
      continue;
    }
    const Real normal = dh + stations.Anomaly(i1) - stations.Anomaly(i2);
    out += ' ';
    orvane::AppendFixedField(out, normal, 12, 5);
    out += ' ';
    orvane::AppendFixedField(out, inverseWeight, 12, 8);
    out += ' ';
    out += label;
    result.Line(out);
  }
  return !vectors.Failed();
}

}  // namespace

// The readers close themselves (RAII); DELTAH1 is closed explicitly so that a failed write is
// told before any other box.
orvane::RunOutcome ConvertSatelliteLevelling(const SatelliteLevellingFiles& files, ReferenceFrame frame,
                                            const ModelGrid& grid, orvane::FieldTable& fields,
                                            StationTable& stations, CalculatorHost& host) {
  using orvane::RunOutcome;
  orvane::LineReader vectors;
  orvane::LineReader positions;
  orvane::TextWriter result;
  if (!vectors.Open(files.deltahGps)) {
    host.ShowMessage(CannotReadMessage(files.deltahGps));
    return RunOutcome::Stopped;
  }
  if (!positions.Open(files.blhGrs)) {
    host.ShowMessage(CannotReadMessage(files.blhGrs));
    return RunOutcome::Stopped;
  }
  if (!result.Create(files.deltah1, files.results)) {
    host.ShowMessage(CannotCreateMessage(files.deltah1, result.Problem()));
    return RunOutcome::Stopped;
  }
  host.HighlightPanel(ResultPanel::Deltah1);

  std::string box;
  const RunOutcome stationsRead = ReadStations(positions, files.blhGrs, frame, grid, fields, stations, result, box);
  positions.Close();
  if (stationsRead != RunOutcome::Finished) {
    CloseResult(result, host);
    host.ShowMessage(box);
    return stationsRead;
  }

  const bool vectorsRead = ConvertVectors(vectors, frame, fields, stations, result);
  vectors.Close();
  result.Line(kEndRecord);
  if (!CloseResult(result, host)) return RunOutcome::Stopped;
  if (!vectorsRead) {
    host.ShowMessage(CannotReadMessage(files.deltahGps));
    return RunOutcome::Stopped;
  }
  return RunOutcome::Finished;
}

}  // namespace solvanta
