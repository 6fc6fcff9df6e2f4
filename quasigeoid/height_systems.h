#pragma once
// Normal heights from PL-KRON86-NH to PL-EVRF2007-NH and back, by the difference of the two
// PL-geoid2011 models (the same as EPSG:9662): h = H(KRON86) + N(KRON86) = H(EVRF2007) + N(EVRF2007),
// so H(EVRF2007) = H(KRON86) + dH with dH = N(KRON86) - N(EVRF2007), both grids read at the point
// in their own frame, PL-ETRF2000 (the frame cancels in the difference).
//
// Lists: H_KRON86 -> h_evrf2007.1 and H_EVRF2007 -> h_kron86.1, records "Nr coordinates H" in the
// run's coordinate form; result lines "Nr coordinates H dH  LABEL". With plane coordinates the
// kvel benchmark catalogue xyh.sta ("Nr x y H ...") becomes xyh_evrf2007.sta, the same lines with
// the heights converted.
#include <memory>
#include <string>
#include <string_view>

#include "common/line_reader.h"
#include "common/text_writer.h"
#include "quasigeoid/coordinates/point_coordinates.h"
#include "quasigeoid/model_grid.h"
#include "quasigeoid/point_lists.h"

namespace solvanta {

enum class HeightConversion { Kron86ToEvrf2007, Evrf2007ToKron86 };

// The two models, by name, beside the program.
inline constexpr const char* kKron86ModelName = "PL-geoid2011-KRON86";
inline constexpr const char* kEvrf2007ModelName = "PL-geoid2011-EVRF2007";

struct HeightSystemGrids {
  std::unique_ptr<ModelGrid> kron86 = std::make_unique<ModelGrid>();
  std::unique_ptr<ModelGrid> evrf2007 = std::make_unique<ModelGrid>();
};

// Loads both models from `directory`. False with `message` (Windows-1250) when one is missing, is
// damaged, or does not carry the height system its name promises.
bool LoadHeightSystemGrids(const std::string& directory, HeightSystemGrids& grids, std::string& message);

// dH = N(KRON86) - N(EVRF2007) at a located position; false where either model's weighted nodes
// lack data.
bool HeightChange(const HeightSystemGrids& grids, const GridPosition& position, Real& change);

// One line of H_KRON86 or H_EVRF2007 onto the end of `out` (without its line end); an ignored line
// adds nothing.
LineResult ConvertHeightLine(HeightConversion conversion, std::string_view line, const HeightSystemGrids& grids,
                             CoordinateForm form, std::string& out);

// The whole list: one line per record, as point lists do; closes both files.
PointListStatus ConvertHeightList(HeightConversion conversion, orvane::LineReader& input, orvane::TextWriter& result,
                                  const HeightSystemGrids& grids, CoordinateForm form);

// xyh.sta in PL-KRON86-NH to xyh_evrf2007.sta: benchmarks "Nr x y H ..." in `form` (PL-2000 or
// PL-1992) get H in PL-EVRF2007-NH with the decimals they had (at least 4), the rest of each line
// as it was; group end records (Nr "0") and lines of fewer than 4 fields are copied unchanged;
// a benchmark that cannot be converted gets the message line in its place, which stops kvel.
PointListStatus ConvertBenchmarkCatalogue(orvane::LineReader& input, orvane::TextWriter& result,
                                          const HeightSystemGrids& grids, CoordinateForm form);

}  // namespace solvanta
