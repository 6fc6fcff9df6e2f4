#pragma once
// Helpers of the calculator's tests: a synthetic model grid, scratch working folders copied from
// the fixtures, and a host that records every call of a run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/cp1250.h"
#include "quasigeoid/calculator_run.h"
#include "quasigeoid/model_grid.h"
#include "support/scratch_folder.h"
#include "support/solvanta_recording_host.h"

namespace calculator_test {

namespace fs = std::filesystem;

// v(i, j) = -1500000 + 1000 i + 500 j: N = -15 + 0.01 x + 0.005 y metres, so the bilinear
// interpolation is exact and N is negative in the south-west and positive in the north-east;
// KSI = -0.01 rho / M(i) and ETA = -0.005 rho / P(i) everywhere.
inline std::int32_t LinearValue(int i, int j) { return -1500000 + 1000 * i + 500 * j; }

inline void FillLinearGrid(solvanta::ModelGrid& grid) {
  for (int i = 0; i < solvanta::kGridRows; ++i)
    for (int j = 0; j < solvanta::kGridColumns; ++j) grid.At(i, j) = LinearValue(i, j);
}

// One linear grid shared by the tests of a program.
inline const solvanta::ModelGrid& LinearGrid() {
  static solvanta::ModelGrid grid;
  static const bool filled = (FillLinearGrid(grid), true);
  (void)filled;
  return grid;
}

// Writes a model file of `count` values of the linear grid (the full file by default).
inline void WriteLinearGridFile(const std::string& path, std::size_t count = solvanta::kGridValueCount) {
  std::vector<std::int32_t> values(count);
  for (std::size_t k = 0; k < count; ++k)
    values[k] = LinearValue(static_cast<int>(k / solvanta::kGridColumns), static_cast<int>(k % solvanta::kGridColumns));
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(count * 4));
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Windows-1250 lines with CR LF ends, from UTF-8 literals.
inline std::string Cp1250Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += orvane::ToCp1250(line) + "\r\n";
  return text;
}

using orvane::testing::FixturePath;
using orvane::testing::ScratchFolder;

using solvanta_testing::RecordingHost;

}  // namespace calculator_test
