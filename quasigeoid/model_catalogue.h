#pragma once
// The models a user can choose: those lying beside the program (grid file and metadata record),
// the choice kept in orvane.ini, and the default, PL-geoid2021 (PL-EVRF2007-NH, the height system
// in force in Poland).
#include <string>
#include <vector>

#include "common/settings_files.h"
#include "quasigeoid/model_info.h"

namespace solvanta {

inline constexpr const char* kDefaultModelName = "PL-geoid2021";
// Where orvane.ini keeps the chosen model (by name).
inline constexpr const char* kModelChoiceSection = "Solvanta";
inline constexpr const char* kModelChoiceKey = "model";

struct ModelEntry {
  ModelInfo info;
  std::string path;  // the grid file
};

// The models in `directory`: every readable record (*.model) whose grid file (the same name with
// ".bin") lies beside it, and the original model file (solvanta_2008QG.bin) when it lies there
// without a record. The default model comes first, the others follow by name.
std::vector<ModelEntry> FindModels(const std::string& directory);

// A model given by NAME (one of FindModels(directory), letter case not significant, or the name
// of a grid file in `directory`) or by a path with a "/" (relative to the current directory or
// absolute). A bare name is looked up only in `directory`, never in the current directory. False
// when it is neither a known model nor an existing file.
bool ResolveModel(const std::string& directory, const std::string& nameOrFile, std::string& path);

// The default model's grid file in `directory`: PL-geoid2021 when it is there, else the original
// model file when that is there, else the path PL-geoid2021 would have (the run reports it
// missing).
std::string DefaultModelPath(const std::string& directory);

// The folder of the models of a program lying in `programFolder`: that folder itself when models
// lie there (the build tree, a portable copy), else PREFIX/share/orvane for a program installed
// in PREFIX/bin (/usr/share/orvane for /usr/bin).
std::string ModelFolder(const std::string& programFolder);

// The model chosen in orvane.ini: its grid file, or why there is none.
struct ModelChoice {
  std::string path;     // the grid file (empty when refused)
  std::string problem;  // UTF-8: the key and the value that name no readable model; empty when found
};

// The model chosen in orvane.ini at `iniPath` (section "Solvanta", key "model"), resolved in
// `directory` (ResolveModel). No key, or an empty value: the default. A value that names no model,
// or a model file that cannot be read, is refused with a message naming the key and the value:
// a run never falls back to another model without a word.
ModelChoice ChooseModel(const std::string& directory, const std::string& iniPath);
// The same, the choice read from the settings files (common/settings_files.h).
ModelChoice ChooseModel(const std::string& directory, const orvane::SettingsFiles& settings);

// Keeps `name` as the chosen model in orvane.ini, every other line unchanged (the file and its
// folder are created when missing). False when the file could not be written.
bool KeepModelChoice(const std::string& iniPath, const std::string& name);

}  // namespace solvanta
