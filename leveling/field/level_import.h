#pragma once
// From a level's raw files to the working folder's observations: reads the files, reduces them
// to sections and writes deltah (one record per section run, in file order and in the
// orientation measured), the field book dziennik.osn, the intermediate sights in posrednie, and
// the replaced deltah as deltah.bak, all as one group of result files.
#include <string>
#include <vector>

namespace orvane {
struct SettingsFiles;
}

namespace kvel::field {

enum class AccuracyParameter { Length, Setups };  // L in km, or n

struct ImportOptions {
  std::vector<std::string> files;
  std::string turningPoints;  // empty: every set-up is a section of its own
  AccuracyParameter parameter = AccuracyParameter::Length;
  double k = 0;          // tolerance factor, mm/sqrt(km); 0: no verdicts
  bool replace = false;  // an existing deltah may be replaced (and kept as deltah.bak)
};

struct ImportResult {
  int status = 0;                     // 0 written; 1 not written (messages say why)
  bool deltahExists = false;          // refused only because deltah exists and replace was not given
  std::vector<std::string> messages;  // UTF-8: errors, warnings, what was written
  int sections = 0;
};

// The unit mean error written to the end record when the old deltah gives none, m.
inline constexpr double kDefaultUnitError = 0.001;

ImportResult ImportLevelFiles(const std::string& workFolder, const ImportOptions& options);

// Where orvane.ini keeps the turning-point pattern and the tolerance factor k of the misclosures.
inline constexpr const char* kTurningPointsSection = "Kvel";
inline constexpr const char* kTurningPointsKey = "turning_points";
inline constexpr const char* kMisclosureKKey = "misclosure_k";

// k kept in the settings (orvane.ini, mm/sqrt(km)); 0 when there is none or it is no number above 0.
double KeptMisclosureK(const orvane::SettingsFiles& settings);

}  // namespace kvel::field
