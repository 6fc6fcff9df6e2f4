#include "quasigeoid/model_catalogue.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>

#include "common/cp1250.h"
#include "common/platform.h"
#include "common/work_folder.h"
#include "quasigeoid/model_grid.h"

namespace solvanta {

namespace {

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool SameName(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

std::vector<ModelEntry> FindModels(const std::string& directory) {
  std::vector<ModelEntry> models;
  std::vector<std::string> names;
  orvane::platform::ListFolder(directory, names);
  std::sort(names.begin(), names.end());
  bool originalHasRecord = false;
  for (const std::string& name : names) {
    if (!EndsWith(name, kModelRecordExtension)) continue;
    ModelEntry model;
    model.path = directory + "/" + name.substr(0, name.size() - std::string(kModelRecordExtension).size()) + ".bin";
    if (!orvane::FileExists(model.path)) continue;
    if (ReadModelRecord(directory + "/" + name, model.info) != RecordRead::Read) continue;
    originalHasRecord = originalHasRecord || SameName(FileNameOf(model.path), kModelFileName);
    models.push_back(std::move(model));
  }
  const std::string original = orvane::StandardFilePath(directory, kModelFileName);
  if (!originalHasRecord && orvane::FileExists(original)) models.push_back({BareModelInfo(original), original});
  std::stable_sort(models.begin(), models.end(), [](const ModelEntry& a, const ModelEntry& b) {
    const bool aDefault = a.info.name == kDefaultModelName;
    const bool bDefault = b.info.name == kDefaultModelName;
    if (aDefault != bDefault) return aDefault;
    return a.info.name < b.info.name;
  });
  return models;
}

bool ResolveModel(const std::string& directory, const std::string& nameOrFile, std::string& path) {
  if (nameOrFile.empty()) return false;
  if (nameOrFile.find('/') != std::string::npos) {
    if (!orvane::FileExists(nameOrFile)) return false;
    path = nameOrFile;
    return true;
  }
  for (const ModelEntry& model : FindModels(directory)) {
    if (SameName(model.info.name, nameOrFile)) {
      path = model.path;
      return true;
    }
  }
  // A grid file beside the program, named with its extension.
  const std::string beside = directory + "/" + nameOrFile;
  if (nameOrFile == "." || nameOrFile == ".." || !orvane::FileExists(beside)) return false;
  path = beside;
  return true;
}

std::string DefaultModelPath(const std::string& directory) {
  std::string path;
  if (ResolveModel(directory, kDefaultModelName, path)) return path;
  const std::string original = orvane::StandardFilePath(directory, kModelFileName);
  if (orvane::FileExists(original)) return original;
  return directory + "/" + kDefaultModelName + ".bin";
}

std::string ModelFolder(const std::string& programFolder) {
  if (!FindModels(programFolder).empty()) return programFolder;
  const auto slash = programFolder.find_last_of('/');
  const std::string prefix = slash == std::string::npos ? "." : programFolder.substr(0, slash);
  const std::string shared = prefix + "/share/orvane";
  return FindModels(shared).empty() ? programFolder : shared;
}

ModelChoice ChooseModel(const std::string& directory, const std::string& iniPath) {
  return ChooseModel(directory, orvane::SettingsFiles{iniPath, {iniPath}});
}

ModelChoice ChooseModel(const std::string& directory, const orvane::SettingsFiles& settings) {
  const std::string raw = orvane::ReadSetting(settings, kModelChoiceSection, kModelChoiceKey, "");
  ModelChoice choice;
  if (raw.empty()) {
    choice.path = DefaultModelPath(directory);
    return choice;
  }
  const std::string value = orvane::IsValidUtf8(raw) ? raw : orvane::FromCp1250(raw);
  const std::string named = std::string("orvane.ini [") + kModelChoiceSection + "] " + kModelChoiceKey + "=" + value;
  std::string path;
  if (!ResolveModel(directory, raw, path)) {
    choice.problem = "*** " + named + ": nie ma takiego modelu obok programu";
    return choice;
  }
  if (::access(path.c_str(), R_OK) != 0) {
    choice.problem = "*** " + named + ": nie można odczytać pliku " + path;
    return choice;
  }
  choice.path = path;
  return choice;
}

bool KeepModelChoice(const std::string& iniPath, const std::string& name) {
  return orvane::WriteSetting(orvane::SettingsFiles{iniPath, {iniPath}}, kModelChoiceSection, kModelChoiceKey, name);
}

}  // namespace solvanta
