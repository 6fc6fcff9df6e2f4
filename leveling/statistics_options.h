#pragma once
// The levels of the statistical tests that every adjustment run applies: the global test of the
// variance factor, the w-test of the single observations with its power, and whether data
// snooping removes the rejected observations one by one.
#include <string>
#include <string_view>

namespace kvel {

struct StatisticsOptions {
  double Alpha = 0.05;   // significance level of the global test (two-sided)
  double Alpha0 = 0.001; // significance level of the w-test (two-sided)
  double Power = 0.80;   // power of the w-test against a bias of the size MDB
  bool Snooping = true;  // remove the largest rejected observation and adjust again, until none is rejected
};

// The smallest significance level taken: a test at a lower level rejects nothing any survey could
// show, and such a value is a slip of the pen (the quantiles themselves are exact far below it).
inline constexpr double kMinimumLevel = 1e-10;

// Checks one option given as text: "alpha" and "alpha0" take a decimal number from kMinimumLevel
// to below 1, "power" one from 0.5 to below 1 ("." as decimal point; below 0.5 a test would miss a
// bias of its own MDB more often than find it), "snooping" takes "on" or "off". On success the
// value is stored in `options`; otherwise `error` says what the option takes and `options` is
// unchanged. An unknown name is an error too.
bool SetStatisticsOption(StatisticsOptions& options, std::string_view name, std::string_view value,
                         std::string& error);

}  // namespace kvel
