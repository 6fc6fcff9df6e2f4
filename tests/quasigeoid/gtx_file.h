#pragma once
// A grid in PROJ's GTX layout, written by the tests (for PROJ's vgridshift and for the import).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace solvanta_test {

// A GTX grid file: 40-byte big-endian header (lat0, lon0, dlat, dlon in degrees; rows, columns)
// and rows x columns big-endian float32 values, south to north, west to east.
inline void WriteGtx(const std::string& path, double lat0, double lon0, double dlat, double dlon, int rows,
                     int columns, const std::vector<float>& values) {
  std::vector<unsigned char> bytes;
  auto put = [&bytes](std::uint64_t v, int count) {
    for (int k = count - 1; k >= 0; --k) bytes.push_back(static_cast<unsigned char>(v >> (8 * k)));
  };
  auto putDouble = [&put](double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    put(bits, 8);
  };
  putDouble(lat0);
  putDouble(lon0);
  putDouble(dlat);
  putDouble(dlon);
  put(static_cast<std::uint32_t>(rows), 4);
  put(static_cast<std::uint32_t>(columns), 4);
  for (float f : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put(bits, 4);
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace solvanta_test
