#include "quasigeoid/height_systems.h"

#include <algorithm>

#include "common/cp1250.h"
#include "common/number_format.h"
#include "common/record_tokenizer.h"
#include "quasigeoid/messages.h"
#include "quasigeoid/model_catalogue.h"

namespace solvanta {

namespace {

bool LoadOne(const std::string& directory, const char* name, const char* label, ModelGrid& grid, std::string& message) {
  std::string path;
  if (!ResolveModel(directory, name, path)) {
    message = orvane::ToCp1250(std::string(messages::kMissingFile) + name + ".bin");
    return false;
  }
  const ModelLoadResult load = LoadModelGrid(path, grid);
  if (load.outcome != ModelLoadOutcome::Loaded) {
    message = load.message;
    return false;
  }
  if (grid.Info().heightSystem != label) {
    message = orvane::ToCp1250(std::string(messages::kOtherHeightSystem) + FileNameOf(ModelRecordPath(path)) + ": " +
                               grid.Info().heightSystem + ", nie " + label);
    return false;
  }
  return true;
}

bool AnomalyWithData(const ModelGrid& grid, const GridPosition& position, Real& n) {
  CellNodes nodes;
  grid.CellNodesAt(position.i, position.j, nodes);
  if (!nodes.CornersHaveData(WeightedCorners(position))) return false;
  n = GridAnomalyAt(nodes, position);
  return true;
}

const char* TargetLabel(HeightConversion conversion) {
  return conversion == HeightConversion::Kron86ToEvrf2007 ? kEvrf2007Label : kKron86Label;
}

std::string_view OutsideText(HeightConversion conversion) {
  return conversion == HeightConversion::Kron86ToEvrf2007 ? messages::kOutsideArea4 : messages::kOutsideArea5;
}

const std::string& NoCoverageText(HeightConversion conversion) {
  static const std::string texts[2] = {orvane::ToCp1250(messages::kNoCoverage4),
                                       orvane::ToCp1250(messages::kNoCoverage5)};
  return texts[conversion == HeightConversion::Kron86ToEvrf2007 ? 0 : 1];
}

// The height in the other system and its change, or false with the message line in `out`.
bool Converted(HeightConversion conversion, LineResult read, const HeightRecord& r, const HeightSystemGrids& grids,
               std::string_view line, Real& height, Real& change, std::string& out) {
  switch (read) {
    case LineResult::Ignored:
      return false;
    case LineResult::Bad:
      out += orvane::ToCp1250(messages::kBadRecordHeights);
      out += line;
      return false;
    case LineResult::Outside:
      out += r.nr;
      out += OutsideText(conversion);
      return false;
    case LineResult::Misfit:
      out += r.nr;
      out += orvane::ToCp1250(r.misfit);
      return false;
    case LineResult::NoCoverage:
    case LineResult::Result:
      break;
  }
  if (!HeightChange(grids, r.position, change)) {
    out += r.nr;
    out += NoCoverageText(conversion);
    return false;
  }
  height = conversion == HeightConversion::Kron86ToEvrf2007 ? r.height + change : r.height - change;
  return true;
}

// Streams `input` into `result`: `convert` puts a line's output into `out` and says whether it is
// written (with CR LF); closes both files.
template <typename Convert>
PointListStatus ConvertLines(orvane::LineReader& input, orvane::TextWriter& result, Convert convert) {
  PointListStatus status;
  std::string_view line;
  std::string out;
  while (input.ReadLineView(line)) {
    ++status.lines;
    out.clear();
    if (!convert(line, out)) continue;
    out += "\r\n";
    result.Write(out);
  }
  status.readOk = !input.Failed();
  input.Close();
  status.writeOk = result.Close();
  return status;
}

}  // namespace

bool LoadHeightSystemGrids(const std::string& directory, HeightSystemGrids& grids, std::string& message) {
  return LoadOne(directory, kKron86ModelName, kKron86Label, *grids.kron86, message) &&
         LoadOne(directory, kEvrf2007ModelName, kEvrf2007Label, *grids.evrf2007, message);
}

bool HeightChange(const HeightSystemGrids& grids, const GridPosition& position, Real& change) {
  Real kron86 = 0;
  Real evrf2007 = 0;
  if (!AnomalyWithData(*grids.kron86, position, kron86) || !AnomalyWithData(*grids.evrf2007, position, evrf2007))
    return false;
  change = kron86 - evrf2007;
  return true;
}

LineResult ConvertHeightLine(HeightConversion conversion, std::string_view line, const HeightSystemGrids& grids,
                             CoordinateForm form, std::string& out) {
  HeightRecord r;
  const LineResult read = ReadHeightRecord(line, form, r);
  Real height = 0;
  Real change = 0;
  if (!Converted(conversion, read, r, grids, line, height, change, out)) {
    return read == LineResult::Result ? LineResult::NoCoverage : read;
  }
  orvane::AppendRightAligned(out, r.nr, 16);
  out += ' ';
  out += r.coordinates;
  out += ' ';
  orvane::AppendFixedField(out, height, 9, 4);
  out += ' ';
  orvane::AppendFixedField(out, change, 8, 4);
  out += "  ";
  out += TargetLabel(conversion);
  return LineResult::Result;
}

PointListStatus ConvertHeightList(HeightConversion conversion, orvane::LineReader& input, orvane::TextWriter& result,
                                  const HeightSystemGrids& grids, CoordinateForm form) {
  return ConvertLines(input, result, [&](std::string_view line, std::string& out) {
    return ConvertHeightLine(conversion, line, grids, form, out) != LineResult::Ignored;
  });
}

PointListStatus ConvertBenchmarkCatalogue(orvane::LineReader& input, orvane::TextWriter& result,
                                          const HeightSystemGrids& grids, CoordinateForm form) {
  std::string_view fields[5];
  return ConvertLines(input, result, [&](std::string_view line, std::string& out) {
    const int count = orvane::SplitLeadingFields(line, fields, 4);
    if (count < 4 || fields[1] == "0") {
      out.append(line);  // group end records, headings: as they stand
    } else {
      HeightRecord r;
      const LineResult read = ReadHeightRecord(line, form, r);
      Real height = 0;
      Real change = 0;
      if (Converted(HeightConversion::Kron86ToEvrf2007, read, r, grids, line, height, change, out)) {
        // The line up to its height, the height with its decimals (at least 4), the rest.
        const std::size_t begin = static_cast<std::size_t>(fields[4].data() - line.data());
        const std::size_t end = begin + fields[4].size();
        const std::size_t point = fields[4].find('.');
        const int decimals =
            std::max(4, point == std::string_view::npos ? 0 : static_cast<int>(fields[4].size() - point - 1));
        out.append(line.substr(0, begin));
        orvane::AppendFixedField(out, height, 0, decimals);
        out.append(line.substr(end));
      }
    }
    return true;
  });
}

}  // namespace solvanta
