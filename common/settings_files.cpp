#include "common/settings_files.h"

#include "common/platform.h"
#include "common/work_folder.h"

namespace orvane {

namespace {

std::string ParentOf(const std::string& folder) {
  const auto slash = platform::LastSeparator(folder);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

// The system's file for programs in PREFIX/bin: the /usr prefix keeps its settings in /etc.
std::string SystemSettingsFile(const std::string& programFolder) {
  const std::string prefix = ParentOf(programFolder);
  const std::string etc = prefix == "/usr" || prefix == "/" ? "/etc" : prefix + "/etc";
  return etc + "/orvane/orvane.ini";
}

// Makes `folder` and its missing parents (mode 0700 for those it makes, as the user's own).
bool MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "/" || folder == ".") return true;
  const platform::FileKind kind = platform::StatusOf(folder).kind;
  if (kind != platform::FileKind::Missing) return kind == platform::FileKind::Directory;
  if (!MakeFolders(ParentOf(folder))) return false;
  return platform::MakeFolder(folder);
}

}  // namespace

SettingsFiles FindSettingsFiles(const std::string& programFolder, std::string_view xdgConfigHome,
                                std::string_view home) {
  SettingsFiles files;
  const std::string beside = programFolder + "/orvane.ini";
  if (FileExists(beside) && platform::MayWrite(beside)) {
    files.own = beside;
    files.readOrder = {beside};
    return files;
  }
  // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory rules say.
  std::string config;
  if (platform::IsAbsolutePath(xdgConfigHome)) config = std::string(xdgConfigHome);
  else if (!home.empty()) config = std::string(home) + "/.config";
  if (!config.empty()) files.own = config + "/orvane/orvane.ini";
  if (!files.own.empty()) files.readOrder.push_back(files.own);
  files.readOrder.push_back(beside);
  files.readOrder.push_back(SystemSettingsFile(programFolder));
  return files;
}

SettingsFiles FindSettingsFiles() {
  // On Windows the base is %APPDATA%, which is always set.
  return FindSettingsFiles(ExecutableDirectory(), platform::UserConfigBase(), platform::HomeFolder());
}

std::string ReadSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                        const std::string& fallback) {
  for (const std::string& file : files.readOrder) {
    std::string value;
    if (FindIniValue(file, section, key, value)) return value;
  }
  return fallback;
}

bool WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key, std::string_view value) {
  if (files.own.empty() || !MakeFolders(ParentOf(files.own))) return false;
  return WriteIniValue(files.own, section, key, value);
}

}  // namespace orvane
