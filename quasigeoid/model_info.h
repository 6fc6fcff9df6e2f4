#pragma once
// What a model file is: its metadata record, a small INI text beside the grid file.
//
// The record of "PL-geoid2021.bin" is "PL-geoid2021.model" (Windows-1250, CR LF):
//   [Model]
//   name=PL-geoid2021
//   height_system=PL-EVRF2007-NH        the label of the normal heights on result lines
//   frame_epsg=9701                     ETRF2000-PL, the frame of the grid values
//   height_system_epsg=9651             9651 PL-EVRF2007-NH, 9650 PL-KRON86-NH, 0 other
//   description=...                     shown in the window and by solvanta-cli --list-models
//   source=...
//   licence=...
//   covered_nodes=962001                nodes holding data (the others hold kNoData)
// A grid file without a record is the original model: labelled PL-KRON86-NH, every node covered.
#include <cstddef>
#include <string>

namespace solvanta {

inline constexpr const char* kModelRecordExtension = ".model";
inline constexpr const char* kModelRecordSection = "Model";
inline constexpr int kEtrf2000PlEpsg = 9701;
inline constexpr int kEvrf2007NhEpsg = 9651;
inline constexpr int kKron86NhEpsg = 9650;
inline constexpr const char* kKron86Label = "PL-KRON86-NH";
inline constexpr const char* kEvrf2007Label = "PL-EVRF2007-NH";

// Texts are UTF-8 in memory; the record holds them in Windows-1250.
struct ModelInfo {
  std::string name;
  std::string heightSystem = kKron86Label;  // printable ASCII without blanks
  int frameEpsg = kEtrf2000PlEpsg;
  int heightSystemEpsg = kKron86NhEpsg;
  std::string description;
  std::string source;
  std::string licence;
  // Nodes with data; -1 when not known (a grid without a record).
  long long coveredNodes = -1;
  bool hasRecord = false;
};

// The record beside a grid file: the file's extension (if any) replaced by ".model".
std::string ModelRecordPath(const std::string& modelPath);

// The file name of a path (what messages about the model name).
std::string FileNameOf(const std::string& path);

// True when the file at `modelPath` is the original model file, solvanta_2008QG.bin (letter case
// not significant): the only grid whose height system is known without a record.
bool IsOriginalModelFile(const std::string& modelPath);

// The original model in the file at `modelPath`: named after the file (without ".bin"),
// PL-KRON86-NH.
ModelInfo BareModelInfo(const std::string& modelPath);

// EPSG code of a height-system label: 9651, 9650, or 0 for another label.
int HeightSystemEpsg(const std::string& label);

// True when `label` can stand on a result line: 1 to 24 printable ASCII characters, no blank or
// field separator.
bool IsValidHeightSystemLabel(const std::string& label);

enum class RecordRead { Absent, Read, Invalid };

// Reads the record at `recordPath`. Absent when there is no such file; Invalid when it cannot
// be read or lacks a name or a valid height-system label (`info` then unspecified).
RecordRead ReadModelRecord(const std::string& recordPath, ModelInfo& info);

// Writes `info` as the record at `recordPath` (a new file, Windows-1250, CR LF). False on a
// write error.
bool WriteModelRecord(const std::string& recordPath, const ModelInfo& info);

}  // namespace solvanta
