#include "common/number_parse.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "common/platform_numbers.h"
#include "common/record_tokenizer.h"

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

// Whether a decimal text (one that IsDecimalText accepts) that is out of range is tiny, and so
// reads as zero, rather than huge: the power of ten of its first significant digit plus its
// exponent decides. "1000...0e-1" with 400 zeros is huge; "0.000...01e+1" is tiny.
bool IsTinyDecimal(std::string_view s) {
  const std::size_t start = s[0] == '+' || s[0] == '-' ? 1 : 0;
  std::size_t end = s.find_first_of("eE");
  if (end == std::string_view::npos) end = s.size();
  const std::string_view mantissa = s.substr(start, end - start);
  const std::size_t dot = mantissa.find('.');
  long long power = static_cast<long long>(dot == std::string_view::npos ? mantissa.size() : dot) - 1;
  bool significant = false;
  for (const char c : mantissa) {
    if (c == '.') continue;
    if (c != '0') {
      significant = true;
      break;
    }
    --power;
  }
  if (!significant) return true;
  long long exponent = 0;
  bool negative = false;
  if (end < s.size()) {
    std::size_t k = end + 1;
    if (s[k] == '+' || s[k] == '-') negative = s[k++] == '-';
    for (; k < s.size(); ++k) exponent = std::min(exponent * 10 + (s[k] - '0'), 1000000000LL);
  }
  return power + (negative ? -exponent : exponent) < 0;
}

// The usual field, a plain decimal of few digits ([+-]digits[.digits], at least one digit), in
// one correctly rounded division of two exact values (digits / 10^k); false for anything else,
// which the general way then judges.
template <typename Real>
bool ParseShortDecimal(std::string_view s, Real& value) {
  constexpr bool kExtended = sizeof(Real) > sizeof(double);
  constexpr std::uint64_t kMaxDigits = kExtended ? 10000000000000000000ULL : (1ULL << 53);
  constexpr int kMaxScale = kExtended ? 27 : 22;  // 10^k is exact up to here
  static constexpr Real kPow10[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                    1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                    1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                    1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  std::size_t i = 0;
  const std::size_t n = s.size();
  if (n == 0) return false;
  const bool negative = s[0] == '-';
  if (s[0] == '-' || s[0] == '+') ++i;
  std::uint64_t digits = 0;
  int scale = 0;
  bool point = false;
  bool anyDigit = false;
  for (; i < n; ++i) {
    const char c = s[i];
    if (c == '.') {
      if (point) return false;
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;  // an exponent, or not a number at all
    if (digits >= kMaxDigits / 10) return false;
    digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    anyDigit = true;
    if (point) ++scale;
  }
  if (!anyDigit || scale > kMaxScale || digits >= kMaxDigits) return false;
  Real v = static_cast<Real>(digits);
  if (scale > 0) v /= kPow10[scale];
  value = negative ? -v : v;
  return true;
}

template <typename Real>
bool ParseReal(std::string_view field, Real& value) {
  if (ParseShortDecimal(field, value)) return true;
  if (!IsDecimalText(field)) return false;
  // from_chars takes no leading '+'.
  if (field.front() == '+') field.remove_prefix(1);
  Real parsed{};
  std::from_chars_result read;
  if constexpr (std::is_same_v<Real, long double>) {
    read = platform::ExtendedFromChars(field.data(), field.data() + field.size(), parsed);
  } else {
    read = std::from_chars(field.data(), field.data() + field.size(), parsed);
  }
  const auto [end, ec] = read;
  if (end != field.data() + field.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is a bad number.
    if (!IsTinyDecimal(field)) return false;
    parsed = 0;
  } else if (ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(parsed)) return false;
  // Beyond the range of double is bad for an extended real too: 1e999 is a bad number whichever
  // form reads it, as no file of the suite can mean it.
  if (std::fabs(static_cast<long double>(parsed)) > static_cast<long double>(std::numeric_limits<double>::max()))
    return false;
  value = parsed;
  return true;
}

}  // namespace

bool ParseNumber(std::string_view field, double& value) { return ParseReal(field, value); }
bool ParseNumber(std::string_view field, long double& value) { return ParseReal(field, value); }

bool ParseInteger(std::string_view field, int& value) {
  // The usual field, one to nine plain digits, cannot overflow and needs no sign rules.
  if (!field.empty() && field.size() <= 9) {
    int parsed = 0;
    std::size_t k = 0;
    for (; k < field.size(); ++k) {
      const unsigned digit = static_cast<unsigned char>(field[k]) - static_cast<unsigned>('0');
      if (digit > 9) break;
      parsed = parsed * 10 + static_cast<int>(digit);
    }
    if (k == field.size()) {
      value = parsed;
      return true;
    }
  }
  const bool plus = !field.empty() && field.front() == '+';
  if (plus) field.remove_prefix(1);
  // One sign at most: "++1" and "+-1" are no numbers.
  if (field.empty() || field.front() == '+' || (plus && field.front() == '-')) return false;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
  if (ec != std::errc() || end != field.data() + field.size()) return false;
  value = parsed;
  return true;
}

bool HasDecimalComma(std::string_view line, std::initializer_list<int> fields) {
  if (line.find(',') == std::string_view::npos) return false;  // the usual case, at once
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const int last = std::max(fields);
  const std::size_t n = line.size();
  std::size_t i = 0;
  for (int k = 1; k <= last; ++k) {
    while (i < n && !IsFieldChar(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= n) return false;
    const std::size_t start = i;
    while (i < n && IsFieldChar(static_cast<unsigned char>(line[i]))) ++i;
    if (std::find(fields.begin(), fields.end(), k) == fields.end()) continue;
    const std::string_view field = line.substr(start, i - start);
    if (field.find('.') != std::string_view::npos || !isDigit(field.back())) continue;
    if (i + 1 >= n || line[i] != ',' || !isDigit(line[i + 1])) continue;
    std::size_t j = i + 1;
    while (j < n && isDigit(line[j])) ++j;
    if (j == n || !IsFieldChar(static_cast<unsigned char>(line[j]))) return true;
  }
  return false;
}

}  // namespace orvane
