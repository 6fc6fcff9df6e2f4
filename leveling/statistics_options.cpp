#include "leveling/statistics_options.h"

#include "common/number_parse.h"

namespace kvel {

bool SetStatisticsOption(StatisticsOptions& options, std::string_view name, std::string_view value,
                         std::string& error) {
  if (name == "snooping") {
    if (value == "on") options.Snooping = true;
    else if (value == "off") options.Snooping = false;
    else return error = "snooping takes on or off", false;
    return true;
  }
  double number = 0;
  const bool parsed = orvane::ParseNumber(value, number);
  if (name == "alpha" || name == "alpha0") {
    if (!parsed || !(number >= kMinimumLevel && number < 1.0))
      return error = std::string(name) + " takes a number from 1e-10 to below 1, such as " +
                     (name == "alpha" ? "0.05" : "0.001"),
             false;
    (name == "alpha" ? options.Alpha : options.Alpha0) = number;
    return true;
  }
  if (name == "power") {
    if (!parsed || !(number >= 0.5 && number < 1.0))
      return error = "power takes a number from 0.5 to below 1, such as 0.80", false;
    options.Power = number;
    return true;
  }
  error = "unknown statistics option " + std::string(name);
  return false;
}

}  // namespace kvel
