#include "quasigeoid/model_grid.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "common/cp1250.h"
#include "common/platform.h"
#include "quasigeoid/messages.h"

namespace solvanta {

ModelGrid& ProgramModelGrid() {
  static ModelGrid grid;
  return grid;
}

namespace {

// Rows read per block; the gauge moves once per block.
constexpr int kRowsPerBlock = 4;

ModelLoadResult Failure(ModelLoadOutcome outcome, const std::string& utf8Message, std::uintmax_t size) {
  ModelLoadResult result;
  result.outcome = outcome;
  result.message = orvane::ToCp1250(utf8Message);
  result.fileSize = size;
  return result;
}


struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::size_t ModelGrid::CountNoData() {
  std::size_t count = 0;
  for (std::size_t k = 0; k < kGridValueCount; ++k) count += values_[k] == kNoData ? 1 : 0;
  noDataNodes_ = count;
  return count;
}

void GridPagesRelease::operator()(std::int32_t*) const {
  if (mapping) orvane::platform::UnmapPages(mapping, length);
}

ModelGrid::PageBlock ModelGrid::ZeroedPages(std::size_t count) {
  constexpr std::size_t kLargePage = std::size_t{1} << 21;
  const std::size_t bytes = (count * sizeof(std::int32_t) + kLargePage - 1) / kLargePage * kLargePage;
  // One large page more than needed, so that the block can begin on a large-page boundary.
  const std::size_t length = bytes + kLargePage;
  void* mapping = orvane::platform::MapZeroedPages(length);
  if (!mapping) return PageBlock();
  const auto address = reinterpret_cast<std::uintptr_t>(mapping);
  auto* block = reinterpret_cast<std::int32_t*>((address + kLargePage - 1) / kLargePage * kLargePage);
  orvane::platform::AdviseLargePages(block, bytes);
  return PageBlock(block, GridPagesRelease{mapping, length});  // anonymous pages read as zeros
}

ModelGrid::ModelGrid() : values_(ZeroedPages(kGridValueCount)) {
  if (!values_) throw std::bad_alloc();
}

void ModelGrid::GatherEdgeCellNodes(int i, int j, CellNodes& nodes) const {
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      const int row = i - 1 + r;
      const int column = j - 1 + c;
      const bool inside = row >= 0 && row < kGridRows && column >= 0 && column < kGridColumns;
      nodes.v[4 * c + r] = inside ? At(row, column) : 0;
    }
  }
}

ModelLoadResult LoadModelGrid(const std::string& path, ModelGrid& grid, const LoadProgress& progress,
                              const std::string& heightSystem) {
  const std::string fileName = FileNameOf(path);
  const orvane::platform::FileStatus info = orvane::platform::StatusOf(path);
  if (info.kind == orvane::platform::FileKind::Missing) {
    return Failure(ModelLoadOutcome::Missing, messages::kMissingFile + fileName, 0);
  }
  if (info.kind == orvane::platform::FileKind::Unreadable) {
    return Failure(ModelLoadOutcome::Damaged, messages::kCannotRead + fileName, 0);
  }
  if (info.kind != orvane::platform::FileKind::Regular) {
    return Failure(ModelLoadOutcome::Damaged, messages::kCannotRead + fileName + " (to nie jest plik)", 0);
  }
  const auto size = info.size;
  // A short grid would leave part of the model undefined: never use it.
  if (size < kModelFileSize) {
    return Failure(ModelLoadOutcome::Damaged,
                   messages::kDamagedFile + fileName + " (rozmiar " + std::to_string(size) + " B, oczekiwano " +
                       std::to_string(kModelFileSize) + " B)",
                   size);
  }
  std::unique_ptr<std::FILE, FileCloser> file(orvane::platform::OpenFile(path, "rb"));
  if (!file) {
    return Failure(ModelLoadOutcome::Damaged, messages::kCannotRead + fileName, size);
  }

  std::int32_t* values = grid.Data();
  std::size_t read = 0;
  int reported = 0;
  for (int row = 0; row < kGridRows; row += kRowsPerBlock) {
    const std::size_t count = static_cast<std::size_t>(std::min(kRowsPerBlock, kGridRows - row)) * kGridColumns;
    const std::size_t got = std::fread(values + read, sizeof(std::int32_t), count, file.get());
    read += got;
    if (got != count) {
      return Failure(ModelLoadOutcome::Damaged,
                     messages::kReadError + fileName + " (odczytano " + std::to_string(read) + " z " +
                         std::to_string(kGridValueCount) + " wartości)",
                     size);
    }
    if (progress && reported < kLoadGaugeMaximum) {
      const int steps = static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(kLoadGaugeMaximum - reported)));
      reported += steps;
      progress(steps);
    }
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t k = 0; k < kGridValueCount; ++k) {
      const auto u = static_cast<std::uint32_t>(values[k]);
      values[k] = static_cast<std::int32_t>((u >> 24) | ((u >> 8) & 0xff00u) | ((u << 8) & 0xff0000u) | (u << 24));
    }
  }
  // A file of the right size may still hold something else: a value beyond the anomaly limit
  // (nodata aside) means a damaged file.
  for (std::size_t k = 0; k < kGridValueCount; ++k) {
    if (values[k] == kNoData || std::abs(static_cast<std::int64_t>(values[k])) <= kAnomalyLimitUnits) continue;
    char metres[64];
    std::snprintf(metres, sizeof metres, "%.2f", static_cast<double>(values[k]) * static_cast<double>(kGridUnit));
    return Failure(ModelLoadOutcome::Damaged, messages::kDamagedFile + fileName + " (N = " + metres +
                                                  " m poza zakresem ±" + std::to_string(kAnomalyLimitMetres) + " m)",
                   size);
  }
  // What the model is: its record, or the original model when there is none.
  const std::string recordPath = ModelRecordPath(path);
  ModelInfo model;
  switch (ReadModelRecord(recordPath, model)) {
    case RecordRead::Absent:
      model = BareModelInfo(path);
      if (!heightSystem.empty()) {
        model.heightSystem = heightSystem;
        model.heightSystemEpsg = HeightSystemEpsg(heightSystem);
      } else if (!IsOriginalModelFile(path)) {
        return Failure(ModelLoadOutcome::Damaged,
                       messages::kNoModelRecord + FileNameOf(recordPath) + messages::kGiveHeightSystem, size);
      }
      break;
    case RecordRead::Read:
      if (!heightSystem.empty() && heightSystem != model.heightSystem) {
        return Failure(ModelLoadOutcome::Damaged,
                       messages::kOtherHeightSystem + FileNameOf(recordPath) + ": " + model.heightSystem + ", nie " +
                           heightSystem,
                       size);
      }
      break;
    case RecordRead::Invalid:
      return Failure(ModelLoadOutcome::Damaged, messages::kDamagedDescription + FileNameOf(recordPath), size);
  }
  const std::size_t covered = kGridValueCount - grid.CountNoData();
  if (model.coveredNodes >= 0 && static_cast<std::size_t>(model.coveredNodes) != covered) {
    // The grid and its record do not belong together (or the grid was damaged).
    return Failure(ModelLoadOutcome::Damaged,
                   messages::kDamagedFile + fileName + " (węzłów z danymi " + std::to_string(covered) +
                       ", opis modelu podaje " + std::to_string(model.coveredNodes) + ")",
                   size);
  }
  grid.SetInfo(std::move(model));
  ModelLoadResult result;
  result.fileSize = size;
  return result;
}

}  // namespace solvanta
