#include "common/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

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

}  // namespace orvane
