#include "quasigeoid/point_lists.h"

#include <array>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "common/number_parse.h"

namespace solvanta {

namespace {

using orvane::AppendFixedField;
using orvane::AppendFixedFieldOf;
using orvane::AppendIntegerField;
using orvane::AppendRightAligned;

// The two bad-record texts differ in one letter: BLN has "Błędny", the height lists "Błedny".
const std::string& BadRecordText(PointListTask task) {
  static const std::string anomaly = orvane::ToCp1250("*** Błędny rekord: ");
  static const std::string heights = orvane::ToCp1250("*** Błedny rekord: ");
  return task == PointListTask::AnomalyList ? anomaly : heights;
}

std::string_view OutsideText(PointListTask task) {
  switch (task) {
    case PointListTask::AnomalyList:
      return " *** punkt poza obszarem dopuszczalnym (1)";
    case PointListTask::EllipsoidalToNormal:
      return " *** punkt poza obszarem dopuszczalnym (2)";
    case PointListTask::NormalToEllipsoidal:
      break;
  }
  return " *** punkt poza obszarem dopuszczalnym (3)";
}

// A point whose N, KSI or ETA would need a node without data.
const std::string& NoCoverageText(PointListTask task) {
  static const std::string texts[3] = {orvane::ToCp1250(" *** punkt poza zasięgiem modelu (1)"),
                                       orvane::ToCp1250(" *** punkt poza zasięgiem modelu (2)"),
                                       orvane::ToCp1250(" *** punkt poza zasięgiem modelu (3)")};
  return texts[static_cast<std::size_t>(task)];
}

constexpr char kSeparator = ' ';
constexpr std::string_view kSecondMark = "[\"]";

struct ParsedPoint {
  std::string_view nr;
  GeodeticPoint point;
  Real height = 0;
};

// Fields 1 to 8 of a record; field 0 unused, as in the field table.
using RecordFields = std::array<std::string_view, 9>;

bool ParseRecord(PointListTask task, const RecordFields& f, ParsedPoint& p) {
  p.nr = CutPointNr(f[1]);
  orvane::DmsPosition position;
  if (!orvane::ParseDmsFields({f[2], f[3], f[4], f[5], f[6], f[7]}, position)) return false;
  p.point = PointOf(position);
  if (task != PointListTask::AnomalyList && !orvane::ParseNumber(f[8], p.height)) return false;
  return true;
}

// KSI and ETA with their marks. BLH_n.1 has two blanks before a computed ETA and one before the
// placeholder.
void AppendDeflections(PointListTask task, const Deflections& d, std::string& out) {
  if (!d.computed) {
    out += " KSI =  ***  [\"] ETA =  ***  [\"]";
    return;
  }
  out += " KSI = ";
  AppendFixedField(out, d.ksi, 6, 2);
  out += task == PointListTask::EllipsoidalToNormal ? "[\"]  ETA = " : "[\"] ETA = ";
  AppendFixedField(out, d.eta, 6, 2);
  out += kSecondMark;
}

// What follows the value (and the deflections) to the end of a result line; BLH_n.1 names the
// model's height system.
void AppendTail(PointListTask task, std::string_view heightSystem, ReferenceFrame frame, std::string& out) {
  switch (task) {
    case PointListTask::AnomalyList:
      out += "  ";
      break;
    case PointListTask::EllipsoidalToNormal:
      out += "  ";
      out += heightSystem;
      out += " z ";
      break;
    case PointListTask::NormalToEllipsoidal:
      out += ' ';
      break;
  }
  out += FrameLabel(frame);
}

}  // namespace

std::string_view FrameLabel(ReferenceFrame frame) {
  switch (frame) {
    case ReferenceFrame::Etrf89:
      return " PL-ETRF89";
    case ReferenceFrame::Etrf2000:
      return " PL-ETRF2000";
    case ReferenceFrame::None:
      break;
  }
  return "";
}

namespace {

// One line into `out`; `fields` is scratch space that a list keeps for all its lines.
LineResult ConvertRecord(PointListTask task, std::string_view line, const ModelGrid& grid, ReferenceFrame frame,
                         RecordFields& fields, std::string& out) {
  out.clear();
  // A record needs at most its first 8 fields; they are read in place, not copied. Knowing
  // whether there are at least 8 is all the test of too few fields asks.
  const int count = orvane::SplitLeadingFields(line, fields.data(), 8);
  const int fewest = task == PointListTask::EllipsoidalToNormal ? 8 : 2;
  if (count < fewest || fields[1] == "0") return LineResult::Ignored;

  ParsedPoint p;
  if (!ParseRecord(task, fields, p)) {
    out += BadRecordText(task);
    out += line;
    return LineResult::Bad;
  }

  GridPosition position;
  if (!LocateCell(p.point, EdgeClamping::On, position)) {
    out += p.nr;
    out += OutsideText(task);
    return LineResult::Outside;
  }
  Deflections deflections;
  if (task == PointListTask::AnomalyList) deflections = DeflectionsAt(grid, position, kAnomalyListLimits);
  if (task == PointListTask::EllipsoidalToNormal) deflections = DeflectionsAt(grid, position, kEllipsoidalToNormalLimits);
  if (deflections.noData || !CellHasData(grid, position)) {
    out += p.nr;
    out += NoCoverageText(task);
    return LineResult::NoCoverage;
  }
  const Real n = AnomalyAt(grid, position, frame, p.point);

  AppendRightAligned(out, p.nr, 16);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.bDegrees, 2);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.bMinutes, 2);
  out.push_back(kSeparator);
  AppendFixedFieldOf(out, fields[4], p.point.bSeconds, 8, 5);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.lDegrees, 2);
  out.push_back(kSeparator);
  AppendIntegerField(out, p.point.lMinutes, 2);
  out.push_back(kSeparator);
  AppendFixedFieldOf(out, fields[7], p.point.lSeconds, 8, 5);
  out.push_back(kSeparator);

  switch (task) {
    case PointListTask::AnomalyList:
      AppendFixedField(out, n, 9, 4);
      AppendDeflections(task, deflections, out);
      break;
    case PointListTask::EllipsoidalToNormal:
      AppendFixedField(out, p.height - n, 9, 4);
      AppendDeflections(task, deflections, out);
      break;
    case PointListTask::NormalToEllipsoidal:
      AppendFixedField(out, p.height + n, 9, 4);
      break;
  }
  AppendTail(task, grid.Info().heightSystem, frame, out);
  return LineResult::Result;
}

}  // namespace

std::string DecimalCommaLine(std::string_view line) {
  static const std::string text = orvane::ToCp1250("*** Uwaga: przecinek dziesiętny? Przecinek rozdziela pola: ");
  return text + std::string(line);
}

LineResult ConvertPointLine(PointListTask task, std::string_view line, const ModelGrid& grid,
                            ReferenceFrame frame, std::string& out) {
  RecordFields fields;
  return ConvertRecord(task, line, grid, frame, fields, out);
}

PointListStatus ConvertPointList(PointListTask task, orvane::LineReader& input, orvane::TextWriter& result,
                                 const ModelGrid& grid, ReferenceFrame frame) {
  PointListStatus status;
  std::string_view line;
  std::string out;
  RecordFields fields;
  out.reserve(256);
  bool commaWarned = false;
  while (input.ReadLineView(line)) {
    ++status.lines;
    const LineResult converted = ConvertRecord(task, line, grid, frame, fields, out);
    if (converted == LineResult::Ignored) continue;
    if (!commaWarned && converted != LineResult::Bad &&
        (task == PointListTask::AnomalyList ? orvane::HasDecimalComma(line, {4, 7})
                                            : orvane::HasDecimalComma(line, {4, 7, 8}))) {
      result.Line(DecimalCommaLine(line));
      commaWarned = true;
    }
    // The line end goes with the line: one write per line.
    out += "\r\n";
    result.Write(out);
  }
  status.readOk = !input.Failed();
  input.Close();
  status.writeOk = result.Close();
  return status;
}

}  // namespace solvanta
