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

// A model given by NAME (one of FindModels(directory), letter case not significant) or by the path
// of its grid file. False when it is neither a known name nor an existing file.
bool ResolveModel(const std::string& directory, const std::string& nameOrFile, std::string& path);

// The default model's grid file in `directory`: PL-geoid2021 when it is there, else the original
// model file when that is there, else the path PL-geoid2021 would have (the run reports it
// missing).
std::string DefaultModelPath(const std::string& directory);

// The folder of the models of a program lying in `programFolder`: that folder itself when models
// lie there (the build tree, a portable copy), else PREFIX/share/orvane for a program installed
// in PREFIX/bin (/usr/share/orvane for /usr/bin).
std::string ModelFolder(const std::string& programFolder);

// The model chosen in orvane.ini at `iniPath` (section "Solvanta", key "model") when it is found
// in `directory`; the default otherwise.
std::string ChosenModelPath(const std::string& directory, const std::string& iniPath);
// The same, the choice read from the settings files.
std::string ChosenModelPath(const std::string& directory, const orvane::SettingsFiles& settings);

// Keeps `name` as the chosen model in orvane.ini, every other line unchanged (the file and its
// folder are created when missing). False when the file could not be written.
bool KeepModelChoice(const std::string& iniPath, const std::string& name);

}  // namespace solvanta
