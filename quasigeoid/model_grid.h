#pragma once
// A quasi-geoid model: 801 x 1201 height anomalies (PL-ETRF2000) at 0.01 degree over 48..56 N and
// 13..25 E, read from a binary file beside the program, with its metadata record (model_info.h).
//
// File layout: no header, 962 001 signed 32-bit little-endian integers, row by row from south to
// north and within a row from west to east; unit 0.00001 m. Value k is row k / 1201, column
// k % 1201; row i lies at 48 + 0.01 i degrees N, column j at 13 + 0.01 j degrees E. A node
// without data holds kNoData.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
// The largest |N| a model may hold: height anomalies on this planet lie well within it, so a value
// beyond it is no anomaly (a damaged file, a grid of something else). In metres and in stored units.
inline constexpr int kAnomalyLimitMetres = 150;
inline constexpr std::int64_t kAnomalyLimitUnits = std::int64_t{kAnomalyLimitMetres} * 100000;
// The loading gauge counts one step per value but is full at this many.
inline constexpr int kLoadGaugeMaximum = 190000;
// A node without data (outside the model's coverage): -21 474.83648 m, which no height anomaly
// on Earth comes near.
inline constexpr std::int32_t kNoData = INT32_MIN;

// The 4 x 4 nodes around cell (i, j): rows i - 1 .. i + 2 of columns j - 1 .. j + 2, node
// (i - 1 + r, j - 1 + c) at index 4 c + r. N reads the inner 2 x 2, KSI and ETA all but the four
// corners. A node beyond the grid (row -1, 801, 802; column -1, 1201, 1202) reads as 0; no formula
// uses one.
struct CellNodes {
  alignas(64) std::int32_t v[16];
  bool mayLackData = false;  // the grid has nodes without data: the tests below must be asked
  std::int32_t At(int r, int c) const { return v[4 * c + r]; }
  // The corners of a cell that carry weight, as bits: kCorner00 (i, j), kCorner10 (i + 1, j),
  // kCorner11 (i + 1, j + 1), kCorner01 (i, j + 1). A corner of weight zero (a point on a node or
  // on a cell side) is not read, so it may lack data.
  static constexpr unsigned kCorner00 = 1, kCorner10 = 2, kCorner11 = 4, kCorner01 = 8, kAllCorners = 15;
  // The inner 2 x 2 that N reads, those in `corners`, all hold data.
  bool CornersHaveData(unsigned corners = kAllCorners) const {
    if (!mayLackData) return true;
    for (const auto& [bit, k] : kCornerNodes)
      if ((corners & bit) && v[k] == kNoData) return false;
    return true;
  }
  // The nodes of the meridian differences (KSI) at the corners in `corners` all hold data.
  bool KsiHasData(unsigned corners = kAllCorners) const { return StencilHasData(corners, 1); }
  // The nodes of the parallel differences (ETA) at the corners in `corners` all hold data.
  bool EtaHasData(unsigned corners = kAllCorners) const { return StencilHasData(corners, 4); }
  // The 12 nodes that KSI and ETA read (all but the four outer corners) all hold data.
  bool DifferencesHaveData() const { return KsiHasData() && EtaHasData(); }

 private:
  struct CornerNode {
    unsigned bit;
    int k;  // index of the corner node in v
  };
  static constexpr CornerNode kCornerNodes[4] = {{kCorner00, 5}, {kCorner10, 6}, {kCorner11, 10}, {kCorner01, 9}};
  // The corner and its two neighbours `step` away in v (1: south and north, 4: west and east).
  bool StencilHasData(unsigned corners, int step) const {
    if (!mayLackData) return true;
    for (const auto& [bit, k] : kCornerNodes)
      if ((corners & bit) && (v[k - step] == kNoData || v[k] == kNoData || v[k + step] == kNoData)) return false;
    return true;
  }
};

// Gives back the pages of a block of the grid.
struct GridPagesRelease {
  void* mapping = nullptr;
  std::size_t length = 0;
  void operator()(std::int32_t* block) const;
};

// The grid in memory: the raw integers of the file, row (latitude) index first, rows 0..800,
// columns 0..1200. One block allocated on construction and never resized; a run overwrites it.
class ModelGrid {
 public:
  ModelGrid();
  ModelGrid(const ModelGrid&) = delete;
  ModelGrid& operator=(const ModelGrid&) = delete;

  std::int32_t At(int row, int column) const {
    return values_[static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(column)];
  }
  std::int32_t& At(int row, int column) {
    return values_[static_cast<std::size_t>(row) * kGridColumns + static_cast<std::size_t>(column)];
  }
  // Row-major block of kGridValueCount values (value k of the file at index k).
  const std::int32_t* Data() const { return values_.get(); }
  std::int32_t* Data() { return values_.get(); }
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

  // The 16 nodes of cell (i, j), 0 <= i <= 799, 0 <= j <= 1199 (every cell LocateCell can give).
  void CellNodesAt(int i, int j, CellNodes& nodes) const {
    nodes.mayLackData = noDataNodes_ != 0;
    if (i >= 1 && i <= kGridRows - 3 && j >= 1 && j <= kGridColumns - 3) {
      const std::int32_t* corner = values_.get() + static_cast<std::size_t>(i - 1) * kGridColumns + (j - 1);
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) nodes.v[4 * c + r] = corner[static_cast<std::size_t>(r) * kGridColumns + c];
      return;
    }
    GatherEdgeCellNodes(i, j, nodes);
  }
  // Asks for the nodes of cell (i, j) to be brought into the cache, for a CellNodesAt soon after:
  // a point list prepares a few lines ahead, so their nodes come from memory side by side.
  // Always inlined: as a call of its own, the compiler takes it for one without effect and drops it.
  [[gnu::always_inline]] void PrefetchCellNodes(int i, int j) const {
    const int first = std::max(j - 1, 0);
    const int last = std::min(j + 2, kGridColumns - 1);
    for (int row = std::max(i - 1, 0); row <= std::min(i + 2, kGridRows - 1); ++row) {
      const std::int32_t* r = values_.get() + static_cast<std::size_t>(row) * kGridColumns;
      __builtin_prefetch(r + first);
      // The four nodes of a row reach into the next cache line unless they lie in one.
      if ((reinterpret_cast<std::uintptr_t>(r + first) >> 6) != (reinterpret_cast<std::uintptr_t>(r + last) >> 6))
        __builtin_prefetch(r + last);
    }
  }

 private:
  void GatherEdgeCellNodes(int i, int j, CellNodes& nodes) const;
  // A block of zeros in pages of its own, large pages where the system offers them: a point list
  // reads the grid at random, and one page-table entry then covers 2 MiB of it instead of 4 KiB.
  using PageBlock = std::unique_ptr<std::int32_t[], GridPagesRelease>;
  static PageBlock ZeroedPages(std::size_t count);  // empty when there is no memory for it

  PageBlock values_;
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
// one (ModelRecordPath). A grid without a record is labelled `heightSystem` when one is given, and
// PL-KRON86-NH only when it is the original model file (solvanta_2008QG.bin); any other is
// refused (Damaged): its normal heights are never guessed. A `heightSystem` that differs from
// the record's label is refused too.
// Missing and Damaged are reported, never read as a partial grid; a record that cannot be read,
// or whose count of covered nodes differs from the file, makes the model Damaged. The caller
// shows the message and ends the program. The contents of `grid` are unspecified after a failed
// load.
ModelLoadResult LoadModelGrid(const std::string& path, ModelGrid& grid, const LoadProgress& progress = {},
                              const std::string& heightSystem = {});

}  // namespace solvanta
