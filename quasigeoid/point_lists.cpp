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

// What follows the value (and the deflections) to the end of a result line.
std::string_view Tail(PointListTask task, ReferenceFrame frame) {
  static constexpr ReferenceFrame kFrames[3] = {ReferenceFrame::None, ReferenceFrame::Etrf89, ReferenceFrame::Etrf2000};
  static const auto tails = [] {
    std::array<std::array<std::string, 3>, 3> t;
    for (std::size_t f = 0; f < 3; ++f) {
      const std::string label(FrameLabel(kFrames[f]));
      t[0][f] = "  " + label;
      t[1][f] = "  PL-KRON86-NH z " + label;
      t[2][f] = " " + label;
    }
    return t;
  }();
  const std::size_t f = frame == ReferenceFrame::Etrf89 ? 1 : frame == ReferenceFrame::Etrf2000 ? 2 : 0;
  return tails[static_cast<std::size_t>(task)][f];
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
      AppendDeflections(task, DeflectionsAt(grid, position, kAnomalyListLimits), out);
      break;
    case PointListTask::EllipsoidalToNormal:
      AppendFixedField(out, p.height - n, 9, 4);
      AppendDeflections(task, DeflectionsAt(grid, position, kEllipsoidalToNormalLimits), out);
      break;
    case PointListTask::NormalToEllipsoidal:
      AppendFixedField(out, p.height + n, 9, 4);
      break;
  }
  out += Tail(task, frame);
  return LineResult::Result;
}

}  // namespace

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
  while (input.ReadLineView(line)) {
    ++status.lines;
    if (ConvertRecord(task, line, grid, frame, fields, out) == LineResult::Ignored) continue;
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
