#include "quasigeoid/import/model_import.h"

#include <gdal.h>
#include <ogr_srs_api.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>

#include "common/line_reader.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

namespace {

constexpr double kStep = 0.01;          // degrees between nodes
constexpr double kLatticeSlack = 1e-6;  // of a step: how far a node may stray from the lattice

// The lattice index of `degrees` (origin `origin`), or false when it is off the lattice.
bool LatticeIndex(double degrees, double origin, long long& index) {
  const double steps = (degrees - origin) / kStep;
  if (!std::isfinite(steps) || std::fabs(steps) > 1e9) return false;
  const double whole = std::nearbyint(steps);
  if (std::fabs(steps - whole) > kLatticeSlack) return false;
  index = static_cast<long long>(whole);
  return true;
}

std::string Degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

// Stores one node's value in metres; false (with the reason) when it cannot be a height anomaly.
bool PutNode(ImportedGrid& grid, long long row, long long column, double metres, std::string& problem) {
  if (!std::isfinite(metres) || std::fabs(metres) > kImportLimitMetres) {
    problem = "the value " + std::to_string(metres) + " m at " + Degrees(48.0 + row * kStep) + " N, " +
              Degrees(13.0 + column * kStep) + " E is not a height anomaly (more than 150 m from zero)";
    return false;
  }
  const auto value = static_cast<std::int32_t>(std::llround(metres * 1e5));
  std::int32_t& node = grid.values[static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(column)];
  if (node != kNoData && node != value) {
    problem = "the node " + Degrees(48.0 + row * kStep) + " N, " + Degrees(13.0 + column * kStep) +
              " E is given twice with different values";
    return false;
  }
  node = value;
  return true;
}

bool InsideLattice(long long row, long long column) {
  return row >= 0 && row < kGridRows && column >= 0 && column < kGridColumns;
}

std::string OutsideProblem(double lat, double lon) {
  return "the node " + Degrees(lat) + " N, " + Degrees(lon) + " E lies outside the model's area (48..56 N, 13..25 E)";
}

// Counts, range and extent of the nodes with data.
void Summarise(ImportedGrid& grid) {
  grid.coveredNodes = 0;
  for (int i = 0; i < kGridRows; ++i) {
    for (int j = 0; j < kGridColumns; ++j) {
      const std::int32_t v = grid.values[static_cast<std::size_t>(i) * kGridColumns + static_cast<std::size_t>(j)];
      if (v == kNoData) continue;
      if (grid.coveredNodes == 0) {
        grid.lowest = grid.highest = v;
        grid.firstRow = grid.lastRow = i;
        grid.firstColumn = grid.lastColumn = j;
      }
      ++grid.coveredNodes;
      grid.lowest = std::min(grid.lowest, v);
      grid.highest = std::max(grid.highest, v);
      grid.firstRow = std::min(grid.firstRow, i);
      grid.lastRow = std::max(grid.lastRow, i);
      grid.firstColumn = std::min(grid.firstColumn, j);
      grid.lastColumn = std::max(grid.lastColumn, j);
    }
  }
}

struct DatasetCloser {
  GDALDatasetH dataset;
  ~DatasetCloser() {
    if (dataset) GDALClose(dataset);
  }
};

// A raster of GDAL (GeoTIFF, GTX, ISG). Node (column c, row r) lies at the centre of its pixel.
bool ReadRaster(GDALDatasetH dataset, ImportedGrid& grid, std::string& problem) {
  double t[6];
  if (GDALGetGeoTransform(dataset, t) != CE_None) {
    problem = "the grid has no geographic position (geotransform)";
    return false;
  }
  if (const char* wkt = GDALGetProjectionRef(dataset); wkt && *wkt) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(wkt);
    const bool geographic = srs && OSRIsGeographic(srs);
    if (srs) OSRDestroySpatialReference(srs);
    if (!geographic) {
      problem = "the grid is not in geographic coordinates (latitude, longitude)";
      return false;
    }
  }
  if (t[2] != 0.0 || t[4] != 0.0 || std::fabs(t[1] - kStep) > 1e-9 || std::fabs(std::fabs(t[5]) - kStep) > 1e-9) {
    problem = "the grid spacing is not 0.01 degree along latitude and longitude (it is " + Degrees(t[1]) + " x " +
              Degrees(std::fabs(t[5])) + ")";
    return false;
  }
  const int columns = GDALGetRasterXSize(dataset);
  const int rows = GDALGetRasterYSize(dataset);
  const double lon0 = t[0] + 0.5 * t[1];
  const double lat0 = t[3] + 0.5 * t[5];
  long long column0 = 0;
  long long row0 = 0;
  if (!LatticeIndex(lon0, 13.0, column0) || !LatticeIndex(lat0, 48.0, row0)) {
    problem = "the nodes are not on the 0.01-degree lattice of the model (first node " + Degrees(lat0) + " N, " +
              Degrees(lon0) + " E)";
    return false;
  }
  const long long rowStep = t[5] > 0 ? 1 : -1;  // rows of the raster run north to south when t[5] < 0
  const long long lastRow = row0 + rowStep * (rows - 1);
  const long long lastColumn = column0 + columns - 1;
  if (!InsideLattice(row0, column0) || !InsideLattice(lastRow, lastColumn)) {
    problem = InsideLattice(row0, column0) ? OutsideProblem(48.0 + lastRow * kStep, 13.0 + lastColumn * kStep)
                                           : OutsideProblem(lat0, lon0);
    return false;
  }
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  if (!band) {
    problem = "the grid has no values";
    return false;
  }
  int hasNoData = 0;
  const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
  // A float32 grid holds its nodata value in float32 (GTX: -88.8888 is not a double's -88.8888).
  const bool singlePrecision = GDALGetRasterDataType(band) == GDT_Float32;
  auto isNoData = [&](double v) {
    if (std::isnan(v)) return true;
    if (!hasNoData) return false;
    return singlePrecision ? static_cast<float>(v) == static_cast<float>(noData) : v == noData;
  };
  std::vector<double> line(static_cast<std::size_t>(columns));
  for (int r = 0; r < rows; ++r) {
    if (GDALRasterIO(band, GF_Read, 0, r, columns, 1, line.data(), columns, 1, GDT_Float64, 0, 0) != CE_None) {
      problem = "the grid's values cannot be read";
      return false;
    }
    const long long row = row0 + rowStep * r;
    for (int c = 0; c < columns; ++c) {
      const double v = line[static_cast<std::size_t>(c)];
      if (isNoData(v)) continue;
      if (!PutNode(grid, row, column0 + c, v, problem)) return false;
    }
  }
  auto metadata = [dataset](const char* key) {
    const char* value = GDALGetMetadataItem(dataset, key, nullptr);
    return std::string(value ? value : "");
  };
  const std::string target = metadata("target_crs_epsg_code");
  if (target == "9651") grid.heightSystemEpsg = kEvrf2007NhEpsg;
  if (target == "9650") grid.heightSystemEpsg = kKron86NhEpsg;
  grid.description = metadata("TIFFTAG_IMAGEDESCRIPTION");
  grid.copyright = metadata("TIFFTAG_COPYRIGHT");
  return true;
}

// Text: one node per line, latitude and longitude (either first; their ranges do not overlap)
// and N in metres; blank lines, comment lines (# or ;) and a heading before the first node are
// skipped.
bool ReadText(const std::string& source, ImportedGrid& grid, std::string& problem) {
  orvane::LineReader reader;
  if (!reader.Open(source)) {
    problem = "the file cannot be read";
    return false;
  }
  std::string line;
  std::string_view fields[4];
  long long lineNumber = 0;
  long long nodes = 0;
  while (reader.ReadLine(line)) {
    ++lineNumber;
    const int count = orvane::SplitLeadingFields(line, fields, 3);
    if (count == 0 || fields[1].front() == '#' || fields[1].front() == ';') continue;
    if (nodes == 0 && fields[1] == "begin_of_head") {
      problem = "GDAL does not understand this ISG header (it reads grids whose lat/lon min and max are "
                "the outer edges of the cells, nodes at the cell centres)";
      return false;
    }
    double a = 0, b = 0, n = 0;
    if (count < 3 || !orvane::ParseNumber(fields[1], a) || !orvane::ParseNumber(fields[2], b) ||
        !orvane::ParseNumber(fields[3], n)) {
      if (nodes == 0 && lineNumber <= 20) continue;  // a heading
      problem = "line " + std::to_string(lineNumber) + " is not a node (latitude, longitude, N)";
      return false;
    }
    const bool latFirst = a >= 47.0 && a <= 57.0;
    const double lat = latFirst ? a : b;
    const double lon = latFirst ? b : a;
    long long row = 0;
    long long column = 0;
    if (!LatticeIndex(lat, 48.0, row) || !LatticeIndex(lon, 13.0, column)) {
      problem = "line " + std::to_string(lineNumber) + ": the node " + Degrees(lat) + " N, " + Degrees(lon) +
                " E is not on the 0.01-degree lattice of the model";
      return false;
    }
    if (!InsideLattice(row, column)) {
      problem = "line " + std::to_string(lineNumber) + ": " + OutsideProblem(lat, lon);
      return false;
    }
    if (!PutNode(grid, row, column, n, problem)) {
      problem = "line " + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
    ++nodes;
  }
  if (reader.Failed()) {
    problem = "the file cannot be read";
    return false;
  }
  if (nodes == 0) {
    problem = "the file is no grid of a known format (GeoTIFF, GTX, ISG, XYZ text)";
    return false;
  }
  return true;
}

bool WriteAll(const std::string& path, const void* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(data, 1, size, file) == size;
  ok = std::fflush(file) == 0 && ok;
  ok = ::fsync(::fileno(file)) == 0 && ok;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

bool ReadForeignGrid(const std::string& source, ImportedGrid& grid, std::string& problem) {
  grid = ImportedGrid{};
  grid.values.assign(kGridValueCount, kNoData);
  GDALAllRegister();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  static const char* const kRasterDrivers[] = {"GTiff", "GTX", "ISG", nullptr};
  DatasetCloser raster{GDALOpenEx(source.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, kRasterDrivers, nullptr, nullptr)};
  CPLPopErrorHandler();
  const bool read = raster.dataset ? ReadRaster(raster.dataset, grid, problem) : ReadText(source, grid, problem);
  if (!read) return false;
  Summarise(grid);
  if (grid.coveredNodes == 0) {
    problem = "the grid holds no value";
    return false;
  }
  return true;
}

bool WriteModel(const std::string& target, const ImportedGrid& grid, const ModelInfo& info, std::string& problem) {
  if (target.size() <= 4 || target.compare(target.size() - 4, 4, ".bin") != 0) {
    problem = "the model file must end in .bin";
    return false;
  }
  std::vector<unsigned char> bytes(kGridValueCount * 4);
  for (std::size_t k = 0; k < kGridValueCount; ++k) {
    const auto u = static_cast<std::uint32_t>(grid.values[k]);
    for (int b = 0; b < 4; ++b) bytes[4 * k + static_cast<std::size_t>(b)] = static_cast<unsigned char>(u >> (8 * b));
  }
  const std::string record = ModelRecordPath(target);
  const std::string suffix = ".tmp-" + std::to_string(::getpid());
  ModelInfo written = info;
  written.coveredNodes = grid.coveredNodes;
  const bool ok = WriteAll(target + suffix, bytes.data(), bytes.size()) && WriteModelRecord(record + suffix, written) &&
                  std::rename((target + suffix).c_str(), target.c_str()) == 0 &&
                  std::rename((record + suffix).c_str(), record.c_str()) == 0;
  if (!ok) {
    std::remove((target + suffix).c_str());
    std::remove((record + suffix).c_str());
    problem = "cannot write " + target + " and " + record;
  }
  return ok;
}

std::string ImportSummary(const ImportedGrid& grid, const ModelInfo& info, const std::string& target) {
  char text[512];
  std::snprintf(text, sizeof text,
                "%s: model %s (%s), %lld of %zu nodes with data, N from %.5f m to %.5f m, "
                "area %.2f..%.2f N, %.2f..%.2f E\n",
                target.c_str(), info.name.c_str(), info.heightSystem.c_str(), grid.coveredNodes, kGridValueCount,
                grid.lowest * 1e-5, grid.highest * 1e-5, 48.0 + grid.firstRow * kStep, 48.0 + grid.lastRow * kStep,
                13.0 + grid.firstColumn * kStep, 13.0 + grid.lastColumn * kStep);
  return text;
}

}  // namespace solvanta
