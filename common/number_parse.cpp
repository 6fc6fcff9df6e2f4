#include "common/number_parse.h"

#include <charconv>
#include <cmath>
#include <string>

namespace orvane {

namespace {

// [+-]? digits* ('.' digits*)? ([eE] [+-]? digits+)? with at least one mantissa digit.
bool IsDecimalText(std::string_view s) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exp = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == n;
}

template <typename Real>
bool ParseReal(std::string_view field, Real& value) {
  if (!IsDecimalText(field)) return false;
  // from_chars takes no leading '+'.
  if (field.front() == '+') field.remove_prefix(1);
  Real parsed{};
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
  if (end != field.data() + field.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is a bad number.
    bool tiny = false;
    const auto e = field.find_first_of("eE");
    if (e != std::string_view::npos) tiny = field[e + 1] == '-';
    if (!tiny) return false;
    parsed = 0;
  } else if (ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace

bool ParseNumber(std::string_view field, double& value) { return ParseReal(field, value); }
bool ParseNumber(std::string_view field, long double& value) { return ParseReal(field, value); }

bool ParseInteger(std::string_view field, int& value) {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty() || field.front() == '+') return false;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
  if (ec != std::errc() || end != field.data() + field.size()) return false;
  value = parsed;
  return true;
}

}  // namespace orvane
