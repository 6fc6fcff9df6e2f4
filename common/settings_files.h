#pragma once
// Where the suite keeps its settings (orvane.ini: the working folder, the chosen model).
//
// The rule, the same for every program of the suite:
//  - A portable copy: when the orvane.ini beside the program file exists and this user may
//    write it (a copy of the programs on a stick or in a home folder), it is the one settings
//    file, read and written, and nothing else is looked at.
//  - Otherwise every user has an own file, $XDG_CONFIG_HOME/orvane/orvane.ini (without that
//    variable ~/.config/orvane/orvane.ini): it is read first and it is where a choice made in a
//    window is kept (created when first needed). What it does not say is taken from the
//    orvane.ini beside the program, then from the system's file (/etc/orvane/orvane.ini for
//    programs in /usr/bin, PREFIX/etc/orvane/orvane.ini for programs in PREFIX/bin).
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct SettingsFiles {
  std::string own;                   // where a choice is kept
  std::vector<std::string> readOrder;  // read in this order; the first file that has a key answers
};

// The settings files of a program lying in `programFolder`, for the environment given
// (XDG_CONFIG_HOME and HOME, either may be empty).
SettingsFiles FindSettingsFiles(const std::string& programFolder, std::string_view xdgConfigHome,
                                std::string_view home);
// The same for the running program and its environment.
SettingsFiles FindSettingsFiles();

// The value of `key` in `section` from the first file of `files.readOrder` that has it;
// `fallback` when none has.
std::string ReadSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                        const std::string& fallback);

// Keeps `value` under `key` in `section` of `files.own`, creating its folder and the file when
// they are missing, every other line unchanged. False when it could not be written.
bool WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key, std::string_view value);

}  // namespace orvane
