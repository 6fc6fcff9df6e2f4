#pragma once
// What every point record of both programs shares: the point number, cut to its significant
// bytes, and a position given as latitude B and longitude L in degrees, minutes and seconds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvane {

// Significant bytes of a point number; a longer number is cut.
inline constexpr std::size_t kPointNrLength = 16;

// The first kPointNrLength bytes of a point number.
inline std::string_view CutPointNr(std::string_view nr) { return nr.substr(0, kPointNrLength); }

// B and L as written: whole degrees and minutes, seconds with their fraction.
struct DmsPosition {
  std::int32_t bDegrees = 0;
  std::int32_t bMinutes = 0;
  long double bSeconds = 0;
  std::int32_t lDegrees = 0;
  std::int32_t lMinutes = 0;
  long double lSeconds = 0;
};

// The six fields "B-degrees B-minutes B-seconds L-degrees L-minutes L-seconds" of a record
// (fields 2 to 7 in both programs' point lists). Degrees and minutes by the integer rule,
// seconds by the number rule (common/number_parse.h). False, with `position` partly filled,
// when a field is not a number of its form.
bool ParseDmsFields(const std::array<std::string_view, 6>& fields, DmsPosition& position);

}  // namespace orvane
