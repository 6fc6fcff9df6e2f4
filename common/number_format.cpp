#include "common/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orvane {

namespace {

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FixedField(double value, int width, int decimals) {
  std::string text;
  if (!std::isfinite(value)) {
    text = NonFinite(value);
  } else {
    if (value == 0.0) value = 0.0;  // -0.0 is not negative: no sign
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    text = buf;
  }
  return RightAligned(text, width);
}

std::string Scientific23(double value) {
  if (!std::isfinite(value)) return RightAligned(NonFinite(value), 23);
  if (value == 0.0) value = 0.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14E", value);  // [-]d.ddddddddddddddE±dd[d]
  std::string text = buf;
  const auto e = text.find('E');
  const std::string mantissa = text.substr(0, e);
  const char sign = text[e + 1];
  const int exponent = std::atoi(text.c_str() + e + 2);
  char exp[16];
  std::snprintf(exp, sizeof exp, "E%c%04d", sign, exponent);
  return (mantissa[0] == '-' ? "" : " ") + mantissa + exp;
}

std::string IntegerField(long long value, int width) {
  return RightAligned(std::to_string(value), width);
}

std::string RightAligned(std::string_view text, int width) {
  std::string out;
  if (width > 0 && text.size() < static_cast<std::size_t>(width))
    out.assign(static_cast<std::size_t>(width) - text.size(), ' ');
  out += text;
  return out;
}

std::string ShortNumber(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", value);  // 15 significant digits
  std::string text = buf;
  const auto e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  const bool negative = text[0] == '-';
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i)
    if (text[i] != '.') digits += text[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto integer = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integer) {
      out += digits + std::string(integer - digits.size(), '0');
    } else {
      out += digits.substr(0, integer) + "." + digits.substr(integer);
    }
  }
  return out;
}

double TruncateTo5Decimals(double value) { return std::trunc(value * 100000.0) * 0.00001; }

void AppendRightAligned(std::string& out, std::string_view text, int width) {
  if (width > 0 && text.size() < static_cast<std::size_t>(width))
    out.append(static_cast<std::size_t>(width) - text.size(), ' ');
  out.append(text);
}

void AppendIntegerField(std::string& out, long long value, int width) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  AppendRightAligned(out, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), width);
}

namespace {

constexpr std::uint64_t kPow10[] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL,
                                    100000000000ULL,
                                    1000000000000ULL,
                                    10000000000000ULL,
                                    100000000000000ULL,
                                    1000000000000000ULL,
                                    10000000000000000ULL,
                                    100000000000000000ULL,
                                    1000000000000000000ULL};

// value * 10^decimals rounded to the nearest integer (ties to even, as printf in the default
// rounding mode), computed exactly from the 64-bit significand. False when it does not fit.
bool ScaledMagnitude(long double magnitude, int decimals, std::uint64_t& scaled) {
  if (magnitude == 0) {
    scaled = 0;
    return true;
  }
  // magnitude = significand * 2^-shift exactly.
  std::uint64_t significand = 0;
  int shift = 0;
  if constexpr (std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10) {
    // x87 extended: 64-bit significand with its integer bit, then 15 exponent bits (bias 16383).
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &magnitude, sizeof bytes);
    std::uint16_t biased = 0;
    std::memcpy(&significand, bytes, 8);
    std::memcpy(&biased, bytes + 8, 2);
    biased &= 0x7FFF;
    shift = 16383 + 63 - (biased == 0 ? 1 : biased);
  } else {
    int exponent = 0;
    const long double fraction = std::frexp(magnitude, &exponent);  // fraction * 2^exponent
    significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    shift = 64 - exponent;
  }
  if (shift < 1) return false;
  using U128 = unsigned __int128;
  const U128 product = static_cast<U128>(significand) * kPow10[decimals];  // exact, < 2^124
  if (shift >= 126) {
    scaled = 0;  // below a quarter of the last digit
    return true;
  }
  U128 quotient = product >> shift;
  const U128 remainder = product - (quotient << shift);
  const U128 half = static_cast<U128>(1) << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
  if ((quotient >> 64) != 0) return false;
  scaled = static_cast<std::uint64_t>(quotient);
  return true;
}

}  // namespace

void AppendFixedField(std::string& out, long double value, int width, int decimals) {
  std::uint64_t scaled = 0;
  if (!std::isfinite(value) || decimals < 0 || decimals > 18 ||
      !ScaledMagnitude(std::fabs(value), decimals, scaled)) {
    // Rare forms (non-finite, huge, many decimals) take the general path.
    std::string text;
    if (!std::isfinite(value)) {
      text = NonFinite(static_cast<double>(value));
    } else {
      if (value == 0) value = 0;
      char buf[5000];
      std::snprintf(buf, sizeof buf, "%.*Lf", decimals, value);
      text = buf;
    }
    AppendRightAligned(out, text, width);
    return;
  }
  char buf[48];
  char* p = buf + sizeof buf;
  const std::uint64_t unit = kPow10[decimals];
  std::uint64_t integer = scaled / unit;
  std::uint64_t fraction = scaled % unit;
  for (int k = 0; k < decimals; ++k) {
    *--p = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + integer % 10);
    integer /= 10;
  } while (integer != 0);
  if (value < 0) *--p = '-';  // also when it rounds to zero; -0.0 itself has no sign
  AppendRightAligned(out, std::string_view(p, static_cast<std::size_t>(buf + sizeof buf - p)), width);
}

}  // namespace orvane
