// Builds the demonstration model grid from the EGM96 geoid heights in a GTX grid (the public-domain
// egm96_15.gtx of PROJ's data). The result has the exact layout of the model file: 801 x 1201
// little-endian int32 values in 0.00001 m, rows south to north, 48..56 N, 13..25 E at 0.01 degree.
// Values between the 15' nodes come from bicubic (Catmull-Rom) interpolation, which passes
// through the nodes, so every 25th row and column carries an EGM96 node value unchanged.
//
// usage: make_demo_grid INPUT.gtx OUTPUT.bin
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "quasigeoid/model_grid.h"

namespace {

struct GtxGrid {
  double lat0 = 0, lon0 = 0, dlat = 0, dlon = 0;
  int rows = 0, columns = 0;
  std::vector<float> values;  // row by row from the south

  float At(int row, int column) const {
    // Longitude wraps round the globe; latitude never leaves the area of the model here.
    column %= columns;
    if (column < 0) column += columns;
    return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column)];
  }
};

std::uint64_t BigEndian(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int k = 0; k < count; ++k) value = (value << 8) | bytes[k];
  return value;
}

double BigEndianDouble(const unsigned char* bytes) {
  const std::uint64_t bits = BigEndian(bytes, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool ReadGtx(const char* path, GtxGrid& grid, std::string& error) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    error = std::string("cannot open ") + path;
    return false;
  }
  unsigned char header[40];
  bool ok = std::fread(header, 1, sizeof header, file) == sizeof header;
  if (ok) {
    grid.lat0 = BigEndianDouble(header);
    grid.lon0 = BigEndianDouble(header + 8);
    grid.dlat = BigEndianDouble(header + 16);
    grid.dlon = BigEndianDouble(header + 24);
    grid.rows = static_cast<std::int32_t>(BigEndian(header + 32, 4));
    grid.columns = static_cast<std::int32_t>(BigEndian(header + 36, 4));
    ok = grid.rows > 0 && grid.columns > 0 && grid.rows <= 100000 && grid.columns <= 100000 && grid.dlat > 0 &&
         grid.dlon > 0 && std::isfinite(grid.lat0) && std::isfinite(grid.lon0);
    if (!ok) error = std::string("not a GTX grid header: ") + path;
  } else {
    error = std::string("short GTX file: ") + path;
  }
  if (ok) {
    const std::size_t count = static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns);
    std::vector<unsigned char> bytes(count * 4);
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok) error = std::string("GTX file shorter than its header says: ") + path;
    grid.values.resize(count);
    for (std::size_t k = 0; ok && k < count; ++k) {
      const auto bits = static_cast<std::uint32_t>(BigEndian(&bytes[k * 4], 4));
      std::memcpy(&grid.values[k], &bits, sizeof bits);
    }
  }
  std::fclose(file);
  return ok;
}

// Catmull-Rom weights of the nodes -1, 0, 1, 2 for a fraction t in [0, 1).
std::array<double, 4> CubicWeights(double t) {
  const double t2 = t * t;
  const double t3 = t2 * t;
  return {(-t3 + 2 * t2 - t) / 2, (3 * t3 - 5 * t2 + 2) / 2, (-3 * t3 + 4 * t2 + t) / 2, (t3 - t2) / 2};
}

// Node index and fraction of a coordinate; a coordinate within a hair of a node is that node.
void Split(double position, int& node, double& fraction) {
  node = static_cast<int>(std::floor(position + 1e-9));
  fraction = position - node;
  if (fraction < 1e-9) fraction = 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_demo_grid INPUT.gtx OUTPUT.bin\n");
    return 2;
  }
  GtxGrid gtx;
  std::string error;
  if (!ReadGtx(argv[1], gtx, error)) {
    std::fprintf(stderr, "make_demo_grid: %s\n", error.c_str());
    return 1;
  }
  using solvanta::kGridColumns;
  using solvanta::kGridRows;
  std::vector<unsigned char> out;
  out.reserve(solvanta::kModelFileSize);
  for (int i = 0; i < kGridRows; ++i) {
    const double lat = 48.0 + i / 100.0;
    int row;
    double tr;
    Split((lat - gtx.lat0) / gtx.dlat, row, tr);
    if (row - 1 < 0 || row + 2 >= gtx.rows) {
      std::fprintf(stderr, "make_demo_grid: %s does not cover 48..56 N\n", argv[1]);
      return 1;
    }
    const auto wr = CubicWeights(tr);
    for (int j = 0; j < kGridColumns; ++j) {
      const double lon = 13.0 + j / 100.0;
      int column;
      double tc;
      Split((lon - gtx.lon0) / gtx.dlon, column, tc);
      const auto wc = CubicWeights(tc);
      double n = 0;
      for (int a = 0; a < 4; ++a) {
        double line = 0;
        for (int b = 0; b < 4; ++b) line += wc[b] * gtx.At(row - 1 + a, column - 1 + b);
        n += wr[a] * line;
      }
      if (!std::isfinite(n) || std::fabs(n) > 20000.0) {
        std::fprintf(stderr, "make_demo_grid: no usable geoid height at %.2f N %.2f E\n", lat, lon);
        return 1;
      }
      const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::llround(n * 100000.0)));
      out.push_back(static_cast<unsigned char>(v));
      out.push_back(static_cast<unsigned char>(v >> 8));
      out.push_back(static_cast<unsigned char>(v >> 16));
      out.push_back(static_cast<unsigned char>(v >> 24));
    }
  }
  // Written beside the target and renamed, so an interrupted build never leaves half a grid.
  const std::string target = argv[2];
  const std::string temporary = target + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (file && std::fclose(file) != 0) ok = false;
  if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    std::remove(temporary.c_str());
    std::fprintf(stderr, "make_demo_grid: cannot write %s\n", target.c_str());
    return 1;
  }
  return 0;
}
