#pragma once
// The working folder named in the suite's settings (orvane.ini, common/settings_files.h), and the
// standard files inside it.
#include <string>
#include <string_view>
#include <vector>

#include "common/settings_files.h"

namespace orvane {

// Directory of the running program file (from /proc/self/exe), without a trailing separator.
std::string ExecutableDirectory();

// Value of `key` in `section` of an INI file. Section and key match without regard to letter
// case, blanks around the value are dropped, one pair of surrounding quotes is removed, and a
// missing file, section or key gives `fallback`. Values of up to 2047 characters come back whole.
std::string ReadIniValue(const std::string& iniPath, std::string_view section, std::string_view key,
                         const std::string& fallback);
// The same, telling whether the file has the key at all (false: `value` is untouched).
bool FindIniValue(const std::string& iniPath, std::string_view section, std::string_view key, std::string& value);

// Sets `key` in `section` of an INI file to `value`, keeping every other line as it was (and the
// file's line ends); a missing key is added at the end of its section, a missing section at the
// end of the file, a missing file is created. The new text is written to a temporary file beside
// it and renamed over it, so a failed write leaves the old file whole. False when it could not be
// written.
bool WriteIniValue(const std::string& iniPath, std::string_view section, std::string_view key,
                   std::string_view value);

// The folder when no orvane.ini names one: the user's home directory.
std::string DefaultWorkFolder();

// Key "path" of section "General" of `iniPath`; the default folder when there is none. A value
// in Windows-1250 bytes (not valid UTF-8) is converted to UTF-8 for the file system.
std::string LoadWorkFolder(const std::string& iniPath);
// The same from the first of `files` that names a folder.
std::string LoadWorkFolder(const SettingsFiles& files);
// The same for the running program's settings files.
std::string LoadWorkFolder();

// The working folder, a separator and the standard name, joined as plain text. On this file
// system letter case matters, so when no entry has exactly that name the folder is searched for
// one that matches it without regard to case; a file that does not exist yet keeps the spelling
// given.
std::string StandardFilePath(const std::string& workFolder, std::string_view name);

bool FileExists(const std::string& path);

// 1 for every name whose standard file exists, 0 otherwise, in the order given.
std::vector<int> PresenceFlags(const std::string& workFolder, const std::vector<std::string>& names);

// Names tested at start by each program, in the order of its flags.
const std::vector<std::string>& SolvantaPresenceNames();
const std::vector<std::string>& KvelPresenceNames();

}  // namespace orvane
