#pragma once
// A quasi-geoid model: 801 x 1201 height anomalies (PL-ETRF2000) at 0.01 degree over 48..56 N and
// 13..25 E, read from a binary file beside the program, with its metadata record (model_info.h).
//
// File layout: no header, 962 001 signed 32-bit little-endian integers, row by row from south to
// north and within a row from west to east; unit 0.00001 m. Value k is row k / 1201, column
// k % 1201; row i lies at 48 + 0.01 i degrees N, column j at 13 + 0.01 j degrees E. A node
// without data holds kNoData.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "quasigeoid/model_info.h"

namespace solvanta {

inline constexpr int kGridRows = 801;
inline constexpr int kGridColumns = 1201;
inline constexpr std::size_t kGridValueCount = std::size_t{kGridRows} * kGridColumns;  // 962 001
inline constexpr std::uintmax_t kModelFileSize = kGridValueCount * 4;                  // 3 848 004
inline constexpr const char* kModelFileName = "solvanta_2008QG.bin";
// Metres per stored unit.
inline constexpr long double kGridUnit = 0.00001L;
// The loading gauge counts one step per value but is full at this many.
inline constexpr int kLoadGaugeMaximum = 190000;
// A node without data (outside the model's coverage): -21 474.83648 m, which no height anomaly
// on Earth comes near.
inline constexpr std::int32_t kNoData = INT32_MIN;

// The grid in memory: the raw integers of the file, row (latitude) index first, rows 0..800,
// columns 0..1200. One block allocated on construction and never resized; a run overwrites it.
class ModelGrid {
 public:
  ModelGrid() : values_(kGridValueCount, 0) {}
  ModelGrid(const ModelGrid&) = delete;
  ModelGrid& operator=(const ModelGrid&) = delete;

  std::int32_t At(int row, int column) const {
    return values_[static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(column)];
  }
  std::int32_t& At(int row, int column) {
    return values_[static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(column)];
  }
  // Row-major block of kGridValueCount values (value k of the file at index k).
  const std::int32_t* Data() const { return values_.data(); }
  std::int32_t* Data() { return values_.data(); }
  // Start of row `row` (kGridColumns values).
  const std::int32_t* Row(int row) const { return Data() + static_cast<std::size_t>(row) * kGridColumns; }

  // Nodes holding kNoData, as counted by the last CountNoData() (the loader calls it). Values
  // written through At() or Data() count only after the next CountNoData().
  std::size_t NoDataNodes() const { return noDataNodes_; }
  bool HasNoData() const { return noDataNodes_ != 0; }
  std::size_t CountNoData();

  // What the model is: name, the height-system label of the result lines, description. A grid
  // without a metadata record is the original model (BareModelInfo).
  const ModelInfo& Info() const { return info_; }
  void SetInfo(ModelInfo info) { info_ = std::move(info); }

 private:
  std::vector<std::int32_t> values_;
  std::size_t noDataNodes_ = 0;
  ModelInfo info_ = BareModelInfo(kModelFileName);
};

// The grid that lives as long as the program; every run loads into it.
ModelGrid& ProgramModelGrid();

// Advances the loading gauge by `steps` steps. The loader reports the values it has read in
// blocks (one step per value), and stops reporting once kLoadGaugeMaximum steps are reported: the
// gauge is full then and stays so for the rest of the read. May be empty.
using LoadProgress = std::function<void(int steps)>;

enum class ModelLoadOutcome {
  Loaded,   // all 962 001 values read (a longer file: the rest is ignored)
  Missing,  // no file of that name
  Damaged,  // too short, not a regular file, a read error, or a value beyond +-150 m: the grid
            // must not be used
};

struct ModelLoadResult {
  ModelLoadOutcome outcome = ModelLoadOutcome::Loaded;
  // For Missing and Damaged: the message to show (Windows-1250 bytes), naming the file read,
  // e.g. "*** Brak pliku: solvanta_2008QG.bin". Empty when loaded.
  std::string message;
  // Size of the file found, in bytes (0 when missing).
  std::uintmax_t fileSize = 0;
};

// Reads the model file at `path` into `grid`, with its metadata record beside it when there is
// one (ModelRecordPath); without a record the grid is the original model, labelled PL-KRON86-NH.
// Missing and Damaged are reported, never read as a partial grid; a record that cannot be read,
// or whose count of covered nodes differs from the file, makes the model Damaged. The caller
// shows the message and ends the program. The contents of `grid` are unspecified after a failed
// load.
ModelLoadResult LoadModelGrid(const std::string& path, ModelGrid& grid, const LoadProgress& progress = {});

}  // namespace solvanta
