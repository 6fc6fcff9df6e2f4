#pragma once
// The three point-list conversions: BL -> BLN (N with KSI and ETA), BLH_e -> BLH_n.1 (normal
// heights Hn = He - N) and BLH_n -> BLH_e.1 (ellipsoidal heights He = Hn + N).
//
// A list is streamed: lines are read, converted and written in order (a long list a block of lines
// at a time, on all cores), and every input line gives at most one result or message line, in
// input order. Result lines are Windows-1250 text with CR LF ends.
#include <string>
#include <string_view>

#include "common/line_reader.h"
#include "common/point_record.h"
#include "common/record_tokenizer.h"
#include "common/text_writer.h"
#include "quasigeoid/coordinates/point_coordinates.h"
#include "quasigeoid/interpolation.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

enum class PointListTask {
  AnomalyList,          // BL -> BLN
  EllipsoidalToNormal,  // BLH_e -> BLH_n.1
  NormalToEllipsoidal,  // BLH_n -> BLH_e.1
};

// " PL-ETRF89" or " PL-ETRF2000" (with the leading blank); empty for a frame not chosen.
std::string_view FrameLabel(ReferenceFrame frame);

using orvane::CutPointNr;

// The position of a point record (fields 2 to 7) as the interpolation takes it.
inline GeodeticPoint PointOf(const orvane::DmsPosition& p) {
  return {p.bDegrees, p.bMinutes, p.bSeconds, p.lDegrees, p.lMinutes, p.lSeconds};
}

// What became of one input line.
enum class LineResult {
  Ignored,   // no output: field 1 is "0", or too few fields
  Result,    // a result line
  Bad,       // "*** Błędny rekord: " / "*** Błedny rekord: " and the line
  Outside,   // the point number and " *** punkt poza obszarem dopuszczalnym (n)"
  NoCoverage,  // the point number and " *** punkt poza zasięgiem modelu (n)": N would need a
               // node without data
  Misfit,      // the point number and why its coordinates do not fit the run's form
};

// Converts one input line; for every outcome but Ignored, `out` receives the line to write
// (without its line end). The record's fields are read in place (the same fields as SplitFields
// gives), so a long list copies nothing per field. BLH_n.1 lines name the grid's height system
// (grid.Info().heightSystem, "PL-KRON86-NH" for the original model).
// `form` is the coordinates' form (CoordinateForm): a result line gives them as the input wrote them.
LineResult ConvertPointLine(PointListTask task, std::string_view line, const ModelGrid& grid,
                            ReferenceFrame frame, std::string& out, CoordinateForm form = CoordinateForm::Dms);

// A record of BLH_n's layout (point number, coordinates in the run's form, a height), read and
// located, for the tasks that convert heights by other grids (height_systems.h).
struct HeightRecord {
  std::string_view nr;       // cut to 16 bytes; a view into the line
  GeodeticPoint point;
  Real height = 0;
  GridPosition position;     // for Result
  std::string coordinates;   // for Result: the coordinates as a result line prints them
  std::string misfit;        // for Misfit: the message after the point number (UTF-8)
};

// Reads `line`: Ignored (field 1 is "0", or one field only), Bad, Outside (beyond the grid's
// area), Misfit (coordinates that do not fit `form`) or Result.
LineResult ReadHeightRecord(std::string_view line, CoordinateForm form, HeightRecord& record);

// The message line written, once per input file, before the result of the first record that
// most likely holds a decimal comma (orvane::HasDecimalComma): "*** Uwaga: przecinek dziesiętny?
// Przecinek rozdziela pola: " and the line (Windows-1250). The record is converted as read.
std::string DecimalCommaLine(std::string_view line);

// How a list went, for the run to report file errors (the lines themselves are as written).
struct PointListStatus {
  bool readOk = true;   // the input was read to its end without a read error
  bool writeOk = true;  // every line reached the result file and it was closed cleanly
  long long lines = 0;  // input lines read
};

// Most threads a list is shared by when the plan leaves it to the machine.
inline constexpr int kMostListThreads = 4;

// How a list is spread over the cores. The first `simpleLines` lines are converted and written one
// by one on the calling thread, so a short list never starts a thread; the rest of a longer list
// goes in blocks of `blockLines` lines to `threads` threads (the calling one among them), which
// convert blocks side by side and write them in input order. The result file gets the same bytes
// whatever the plan.
struct PointListPlan {
  long long simpleLines = 4096;
  std::size_t blockLines = 2048;
  int threads = 0;  // 0: one per core, at most kMostListThreads
};

// Reads `input` to its end, writes one line per converted record into `result` (and the decimal
// comma's message line, at most once, before the line that gave it) and closes both.
// The grid is only read (by several threads for a long list).
PointListStatus ConvertPointList(PointListTask task, orvane::LineReader& input, orvane::TextWriter& result,
                                 const ModelGrid& grid, ReferenceFrame frame, const PointListPlan& plan = {},
                                 CoordinateForm form = CoordinateForm::Dms);

}  // namespace solvanta
