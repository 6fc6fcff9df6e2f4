#include "quasigeoid/import/model_import.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "common/line_reader.h"
#include "common/number_parse.h"
#include "common/record_tokenizer.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

namespace {

constexpr double kStep = 0.01;          // degrees between nodes
constexpr double kLatticeSlack = 1e-6;  // of a step: how far a node may stray from the lattice
// The largest block of a raster that is read (GDAL holds a whole block to give one row of it):
// four model grids.
constexpr double kLargestBlockBytes = 4.0 * kGridValueCount * 4;

// GDAL's own error lines are not printed: the last one is kept and told within our message.
std::string& GdalMessage() {
  static thread_local std::string message;
  return message;
}

void KeepGdalMessage(CPLErr kind, CPLErrorNum, const char* text) {
  if (kind >= CE_Failure && text) GdalMessage() = text;
}

// " (GDAL: ...)" when GDAL said why, else nothing.
std::string GdalSays() { return GdalMessage().empty() ? std::string() : " (GDAL: " + GdalMessage() + ")"; }

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
  if (!std::isfinite(metres) || std::fabs(metres) > kAnomalyLimitMetres) {
    problem = "the value " + std::to_string(metres) + " m at " + Degrees(48.0 + row * kStep) + " N, " +
              Degrees(13.0 + column * kStep) + " E is not a height anomaly (more than " +
              std::to_string(kAnomalyLimitMetres) + " m from zero)";
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
  // GDAL reads a whole tile (or strip) to give one row: a small file may hold one huge
  // compressed tile. Nothing larger than a few grids is let into memory.
  int blockColumns = 0;
  int blockRows = 0;
  GDALGetBlockSize(band, &blockColumns, &blockRows);
  const double blockBytes = static_cast<double>(blockColumns) * blockRows *
                            std::max(1, GDALGetDataTypeSizeBytes(GDALGetRasterDataType(band)));
  if (blockBytes > kLargestBlockBytes) {
    problem = "the grid is stored in blocks of " + std::to_string(blockColumns) + " x " + std::to_string(blockRows) +
              " values, far more than the model holds (" + std::to_string(rows) + " x " + std::to_string(columns) +
              " nodes)";
    return false;
  }
  // Stored values are scaled: N = stored * scale + offset.
  int hasScale = 0;
  int hasOffset = 0;
  double scale = GDALGetRasterScale(band, &hasScale);
  double offset = GDALGetRasterOffset(band, &hasOffset);
  if (!hasScale) scale = 1.0;
  if (!hasOffset) offset = 0.0;
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
      problem = "the grid's values cannot be read" + GdalSays();
      return false;
    }
    const long long row = row0 + rowStep * r;
    for (int c = 0; c < columns; ++c) {
      const double v = line[static_cast<std::size_t>(c)];
      if (isNoData(v)) continue;  // the nodata value is a stored value, before scaling
      if (!PutNode(grid, row, column0 + c, v * scale + offset, problem)) return false;
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

// ISG (the International Service for the Geoid's text grid), formats 1.0 and 2.0: a header of
// "key = value" lines between begin_of_head and end_of_head, then nrows x ncols values, rows from
// north to south, west to east. The header's lat/lon min and max are either the nodes themselves
// (nrows = (max - min) / delta + 1, as ISG 2.0 writes them) or the outer edges of cells with the
// nodes at their centres (nrows = (max - min) / delta, as GDAL reads ISG 1.0): the counts tell
// which, and anything else is refused. Coordinates in degrees, or in degrees, minutes and
// seconds (coord units = dms, e.g. 48°00'00").
bool ParseIsgAngle(const std::string& text, bool dms, double& degrees) {
  if (!dms) return orvane::ParseNumber(text, degrees);
  double parts[3] = {0, 0, 0};
  int count = 0;
  bool negative = false;
  std::string number;
  auto flush = [&]() {
    if (number.empty()) return true;
    if (count == 3) return false;
    double v = 0;
    if (!orvane::ParseNumber(number, v)) return false;
    parts[count++] = v;
    number.clear();
    return true;
  };
  for (const char c : text) {
    if (c == '-' && count == 0 && number.empty()) {
      negative = true;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      number.push_back(c);
    } else if (!flush()) {
      return false;
    }
  }
  if (!flush() || count == 0) return false;
  degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
  if (negative) degrees = -degrees;
  return true;
}

bool ReadIsg(const std::string& source, ImportedGrid& grid, std::string& problem) {
  orvane::LineReader reader;
  if (!reader.Open(source)) {
    problem = "the file cannot be read";
    return false;
  }
  std::map<std::string, std::string> header;
  std::string line;
  bool inHeader = false;
  bool headerEnded = false;
  while (!headerEnded && reader.ReadLine(line)) {
    if (line.rfind("begin_of_head", 0) == 0) {
      inHeader = true;
      continue;
    }
    if (line.rfind("end_of_head", 0) == 0) {
      headerEnded = true;
      break;
    }
    if (!inHeader) continue;
    const auto equals = line.find_first_of("=:");
    if (equals == std::string::npos) continue;
    auto trim = [](std::string t) {
      const auto first = t.find_first_not_of(" \t\r");
      const auto last = t.find_last_not_of(" \t\r");
      return first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
    };
    header[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
  }
  if (!headerEnded) {
    problem = "the ISG header has no end_of_head";
    return false;
  }
  // A key absent from the header reads as empty (and is not added by the reading).
  auto value = [&header](const char* key) {
    const auto found = header.find(key);
    return found == header.end() ? std::string() : found->second;
  };
  const std::string version = header.count("ISG format") ? value("ISG format") : "1.0";
  if (version != "1.0" && version != "2.0") {
    problem = "ISG format " + version + " is not known (1.0 and 2.0 are)";
    return false;
  }
  const bool dms = value("coord units") == "dms";
  if (header.count("coord units") && !dms && value("coord units") != "deg") {
    problem = "the ISG coordinates are in " + value("coord units") + ", not in degrees";
    return false;
  }
  if (header.count("coord type") && value("coord type") != "geodetic") {
    problem = "the ISG grid is not in geodetic coordinates (coord type = " + value("coord type") + ")";
    return false;
  }
  if (header.count("data ordering") && value("data ordering") != "N-to-S, W-to-E") {
    problem = "the ISG data ordering " + value("data ordering") + " is not known (N-to-S, W-to-E is)";
    return false;
  }
  double latMin = 0, latMax = 0, lonMin = 0, lonMax = 0, dLat = 0, dLon = 0, noData = NAN;
  int rows = 0, columns = 0;
  if (!ParseIsgAngle(value("lat min"), dms, latMin) || !ParseIsgAngle(value("lat max"), dms, latMax) ||
      !ParseIsgAngle(value("lon min"), dms, lonMin) || !ParseIsgAngle(value("lon max"), dms, lonMax) ||
      !ParseIsgAngle(value("delta lat"), dms, dLat) || !ParseIsgAngle(value("delta lon"), dms, dLon) ||
      !orvane::ParseInteger(value("nrows"), rows) || !orvane::ParseInteger(value("ncols"), columns)) {
    problem = "the ISG header lacks lat min, lat max, lon min, lon max, delta lat, delta lon, nrows or ncols";
    return false;
  }
  if (header.count("nodata") && !orvane::ParseNumber(value("nodata"), noData)) {
    problem = "the ISG nodata value " + value("nodata") + " is not a number";
    return false;
  }
  if (std::fabs(dLat - kStep) > 1e-9 || std::fabs(dLon - kStep) > 1e-9) {
    problem = "the grid spacing is not 0.01 degree along latitude and longitude (it is " + Degrees(dLat) + " x " +
              Degrees(dLon) + ")";
    return false;
  }
  // Nodes on the bounds, or at the centres of the cells they bound.
  const double rowSpan = (latMax - latMin) / dLat;
  const double columnSpan = (lonMax - lonMin) / dLon;
  double half = 0;
  if (std::fabs(rowSpan - (rows - 1)) < 1e-6 && std::fabs(columnSpan - (columns - 1)) < 1e-6) {
    half = 0;
  } else if (std::fabs(rowSpan - rows) < 1e-6 && std::fabs(columnSpan - columns) < 1e-6) {
    half = 0.5;
  } else {
    problem = "the ISG header's nrows and ncols do not fit its lat/lon min, max and delta";
    return false;
  }
  // The nodes must lie on the model's lattice before any value is read.
  const double north = latMax - half * dLat;
  const double west = lonMin + half * dLon;
  long long row0 = 0, column0 = 0;
  if (!LatticeIndex(north, 48.0, row0) || !LatticeIndex(west, 13.0, column0)) {
    problem = "the nodes are not on the 0.01-degree lattice of the model (first node " + Degrees(north) + " N, " +
              Degrees(west) + " E)";
    return false;
  }
  if (rows < 1 || columns < 1 || !InsideLattice(row0, column0) || !InsideLattice(row0 - (rows - 1), column0 + columns - 1)) {
    problem = OutsideProblem(north - (rows - 1) * kStep, west + (columns - 1) * kStep);
    return false;
  }
  long long read = 0;
  const long long count = static_cast<long long>(rows) * columns;
  std::string_view fields[2];
  while (read < count && reader.ReadLine(line)) {
    std::string_view rest = line;
    while (read < count) {
      const int n = orvane::SplitLeadingFields(rest, fields, 1);
      if (n == 0) break;
      double v = 0;
      if (!orvane::ParseNumber(fields[1], v)) {
        problem = "the ISG value " + std::string(fields[1].substr(0, 40)) + " is not a number";
        return false;
      }
      const long long row = row0 - read / columns;
      const long long column = column0 + read % columns;
      if (!(v == noData || std::isnan(v)) && !PutNode(grid, row, column, v, problem)) return false;
      ++read;
      rest.remove_prefix(static_cast<std::size_t>(fields[1].data() + fields[1].size() - rest.data()));
    }
  }
  if (reader.Failed() || read < count) {
    problem = "the ISG grid ends after " + std::to_string(read) + " of its " + std::to_string(count) + " values";
    return false;
  }
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
    if (orvane::HasDecimalComma(line, {1, 2, 3})) {
      problem = "line " + std::to_string(lineNumber) + " holds a decimal comma (" + line.substr(0, 60) +
                "): a comma separates fields, write the decimal point";
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

// The first bytes of the file, to tell the formats GDAL is not asked about.
std::string Opening(const std::string& source, std::size_t count) {
  std::string bytes(count, '\0');
  std::FILE* file = std::fopen(source.c_str(), "rb");
  if (!file) return {};
  bytes.resize(std::fread(bytes.data(), 1, count, file));
  std::fclose(file);
  return bytes;
}

bool IsIsg(const std::string& source) {
  const std::string head = Opening(source, 4096);
  const auto begin = head.find("begin_of_head");
  return begin != std::string::npos && head.find_first_not_of(" \t\r\n") == begin;
}

bool LooksLikeTiff(const std::string& source) {
  const std::string head = Opening(source, 4);
  return head == std::string("II*\0", 4) || head == std::string("MM\0*", 4) || head == std::string("II+\0", 4) ||
         head == std::string("MM\0+", 4);
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
  // Only a regular file is read: a FIFO or a device would block or never end, a directory is
  // no grid.
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) {
    problem = std::string("the file cannot be opened: ") + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    problem = S_ISDIR(info.st_mode) ? "it is a directory, not a grid file" : "it is not a regular file";
    return false;
  }
  grid.values.assign(kGridValueCount, kNoData);
  if (IsIsg(source)) {
    if (!ReadIsg(source, grid, problem)) return false;
  } else {
    GDALAllRegister();
    // A tile is read whole: GDAL's cache holds no more than a few of them.
    CPLSetConfigOption("GDAL_CACHEMAX", "64");
    GdalMessage().clear();
    CPLPushErrorHandler(KeepGdalMessage);
    static const char* const kRasterDrivers[] = {"GTiff", "GTX", nullptr};
    bool read = false;
    {
      DatasetCloser raster{
          GDALOpenEx(source.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, kRasterDrivers, nullptr, nullptr)};
      if (raster.dataset) {
        read = ReadRaster(raster.dataset, grid, problem);
      } else if (LooksLikeTiff(source)) {
        problem = "the GeoTIFF cannot be read" + GdalSays();
      } else {
        read = ReadText(source, grid, problem);
      }
    }
    CPLPopErrorHandler();
    if (!read) return false;
  }
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
  // Either path taken by something that is not a file (a directory, a FIFO) would let one of the
  // two be replaced and not the other.
  for (const std::string& path : {target, record}) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      problem = "cannot write " + path + ": it is not a regular file";
      return false;
    }
  }
  const std::string suffix = ".tmp-" + std::to_string(::getpid());
  const std::string old = ".old-" + std::to_string(::getpid());
  ModelInfo written = info;
  written.coveredNodes = grid.coveredNodes;
  auto fail = [&](const std::string& why) {
    std::remove((target + suffix).c_str());
    std::remove((record + suffix).c_str());
    problem = "cannot write " + target + " and " + record + why;
    return false;
  };
  if (!WriteAll(target + suffix, bytes.data(), bytes.size()) || !WriteModelRecord(record + suffix, written))
    return fail("");
  // The grid and its record are put in place together: the old pair is kept aside until both new
  // files are in place, and put back when either cannot be.
  const bool hadTarget = ::access(target.c_str(), F_OK) == 0;
  const bool hadRecord = ::access(record.c_str(), F_OK) == 0;
  if (hadTarget && std::rename(target.c_str(), (target + old).c_str()) != 0) return fail(": " + std::string(std::strerror(errno)));
  if (hadRecord && std::rename(record.c_str(), (record + old).c_str()) != 0) {
    const std::string why = std::strerror(errno);
    if (hadTarget) std::rename((target + old).c_str(), target.c_str());
    return fail(": " + why);
  }
  const bool placedTarget = std::rename((target + suffix).c_str(), target.c_str()) == 0;
  const bool placedRecord = placedTarget && std::rename((record + suffix).c_str(), record.c_str()) == 0;
  if (!placedRecord) {
    const std::string why = std::strerror(errno);
    if (placedTarget) std::remove(target.c_str());
    if (hadTarget) std::rename((target + old).c_str(), target.c_str());
    if (hadRecord) std::rename((record + old).c_str(), record.c_str());
    return fail(": " + why);
  }
  if (hadTarget) std::remove((target + old).c_str());
  if (hadRecord) std::remove((record + old).c_str());
  return true;
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
