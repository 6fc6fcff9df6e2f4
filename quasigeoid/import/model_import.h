#pragma once
// Turning a published quasi-geoid grid into a model (grid file and metadata record): GeoTIFF and GTX
// through GDAL (a GeoTIFF's scale and offset applied), ISG 1.0 and 2.0 text by a reader of its own,
// and the plain XYZ text in which GUGiK publishes its models (one node per line: latitude,
// longitude and N in metres, in either order of the two angles). Only a regular file is opened.
//
// Exact only: every node must lie on the model's 0.01-degree lattice inside 48..56 N and
// 13..25 E; the values are rounded to 0.00001 m. Anything else is refused, never resampled.
// Nodes the source leaves without data (its nodata value, NaN, or absent from a text file) hold
// kNoData.
#include <cstdint>
#include <string>
#include <vector>

#include "quasigeoid/model_info.h"

namespace solvanta {

struct ImportedGrid {
  std::vector<std::int32_t> values;  // kGridValueCount, row 0 south, kNoData without data
  long long coveredNodes = 0;
  std::int32_t lowest = 0;   // least and greatest value, 0.00001 m (when coveredNodes > 0)
  std::int32_t highest = 0;
  int firstRow = 0, lastRow = -1;       // rows and columns holding data
  int firstColumn = 0, lastColumn = -1;
  // From the source's own description where it has one: the height system's EPSG code (0 when
  // not stated), a description and a copyright line.
  int heightSystemEpsg = 0;
  std::string description;
  std::string copyright;
};

// Reads `source`. False, with `problem` (English, UTF-8) telling why, when the file cannot be read,
// is of no known format, or is not exactly on the model's lattice.
bool ReadForeignGrid(const std::string& source, ImportedGrid& grid, std::string& problem);

// Writes the grid file `target` (which must end in ".bin") and its record beside it. Both are
// written to temporary files first and renamed, so a failure leaves neither half-written.
bool WriteModel(const std::string& target, const ImportedGrid& grid, const ModelInfo& info, std::string& problem);

// What an import did, for the terminal: nodes with data, value range, the area covered.
std::string ImportSummary(const ImportedGrid& grid, const ModelInfo& info, const std::string& target);

}  // namespace solvanta
