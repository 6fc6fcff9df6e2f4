#include "common/number_format.h"

#include <algorithm>
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

// The printf forms without the C library's locale: a window toolkit sets the user's numeric
// locale, whose decimal comma would split every number of a result file in two when read back.
// The texts are those of "%.*f" and "%.14e" in the C locale, rounding included.
template <typename Real>
std::string FixedText(Real value, int decimals) {
  std::string text(static_cast<std::size_t>(std::numeric_limits<Real>::max_exponent10 + 8 + std::max(decimals, 0)), '\0');
  const auto res = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
  text.resize(static_cast<std::size_t>(res.ptr - text.data()));
  // Where the C library has no locale per thread (MinGW), libstdc++ writes a long double through
  // its printf, which takes the process's decimal point.
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

std::string ScientificText(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  return std::string(buf, static_cast<std::size_t>(res.ptr - buf));
}

}  // namespace

std::string FixedField(double value, int width, int decimals) {
  std::string text;
  if (!std::isfinite(value)) {
    text = NonFinite(value);
  } else {
    if (value == 0.0) value = 0.0;  // -0.0 is not negative: no sign
    text = FixedText(value, decimals);
  }
  return RightAligned(text, width);
}

std::string Scientific23(double value) {
  if (!std::isfinite(value)) return RightAligned(NonFinite(value), 23);
  if (value == 0.0) value = 0.0;
  const std::string text = ScientificText(value);  // [-]d.dddddddddddddde±dd[d]
  const auto e = text.find('e');
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
  const std::string text = ScientificText(value);  // 15 significant digits
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

namespace {

// Appends the text [begin, end) right-aligned in `width`; the blanks go into the `room` bytes
// before `begin` when they fit, so that the field is appended in one piece.
inline void AppendPadded(std::string& out, char* begin, const char* end, std::size_t room, int width) {
  const auto length = static_cast<std::size_t>(end - begin);
  if (width > 0 && length < static_cast<std::size_t>(width)) {
    const std::size_t blanks = static_cast<std::size_t>(width) - length;
    if (blanks > room) {
      AppendRightAligned(out, std::string_view(begin, length), width);
      return;
    }
    begin -= blanks;
    std::memset(begin, ' ', blanks);
  }
  // A short field (degrees, minutes) is stored byte by byte: cheaper than a call to copy it.
  if (end - begin <= 4) {
    for (const char* q = begin; q != end; ++q) out.push_back(*q);
    return;
  }
  out.append(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

void AppendIntegerField(std::string& out, long long value, int width) {
  constexpr std::size_t kRoom = 24;
  char buf[kRoom + 24];
  const auto res = std::to_chars(buf + kRoom, buf + sizeof buf, value);
  AppendPadded(out, buf + kRoom, res.ptr, kRoom, width);
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

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// A finite value as significand * 2^-shift with its sign; false for infinities and NaN.
bool Decompose(long double value, std::uint64_t& significand, int& shift, bool& negative) {
  if constexpr (std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10) {
    // x87 extended: 64-bit significand with its integer bit, then sign and 15 exponent bits.
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof bytes);
    std::uint16_t signExponent = 0;
    std::memcpy(&significand, bytes, 8);
    std::memcpy(&signExponent, bytes + 8, 2);
    const int biased = signExponent & 0x7FFF;
    if (biased == 0x7FFF) return false;
    negative = (signExponent & 0x8000) != 0;
    shift = 16383 + 63 - (biased == 0 ? 1 : biased);
  } else {
    if (!std::isfinite(value)) return false;
    negative = std::signbit(value);
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);  // fraction * 2^exponent
    significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    shift = 64 - exponent;
  }
  return true;
}

// significand * 2^-shift * 10^decimals rounded to the nearest integer (ties to even, as printf
// in the default rounding mode), exactly. False when it does not fit in 64 bits.
bool Scaled(std::uint64_t significand, int shift, int decimals, std::uint64_t& scaled) {
  if (significand == 0 || shift >= 126) {  // below a quarter of the last digit
    scaled = 0;
    return true;
  }
  if (shift < 1) return false;
  using U128 = unsigned __int128;
  const U128 product = static_cast<U128>(significand) * kPow10[decimals];  // exact, < 2^124
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
  std::uint64_t significand = 0;
  std::uint64_t scaled = 0;
  int shift = 0;
  bool negative = false;
  if (decimals < 0 || decimals > 18 || !Decompose(value, significand, shift, negative) ||
      !Scaled(significand, shift, decimals, scaled)) {
    // Rare forms (non-finite, huge, many decimals) take the general path.
    std::string text;
    if (!std::isfinite(value)) {
      text = NonFinite(static_cast<double>(value));
    } else {
      if (value == 0) value = 0;
      text = FixedText(value, decimals);
    }
    AppendRightAligned(out, text, width);
    return;
  }
  // Digits from the right, two at a time; the point after `decimals` of them; at least one
  // integer digit.
  char buf[48];
  char* p = buf + sizeof buf;
  int left = decimals;
  for (; left >= 2; left -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (scaled % 100), 2);
    scaled /= 100;
  }
  if (left == 1) {
    *--p = static_cast<char>('0' + scaled % 10);
    scaled /= 10;
  }
  if (decimals > 0) *--p = '.';
  while (scaled >= 100) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (scaled % 100), 2);
    scaled /= 100;
  }
  if (scaled >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * scaled, 2);
  } else {
    *--p = static_cast<char>('0' + scaled);
  }
  // A negative value keeps its sign also when it rounds to zero; -0.0 itself has none.
  if (negative && significand != 0) *--p = '-';
  AppendPadded(out, p, buf + sizeof buf, static_cast<std::size_t>(p - buf), width);
}

void AppendFixedFieldOf(std::string& out, std::string_view text, long double value, int width, int decimals) {
  // Up to 18 significant digits a decimal survives the trip through an extended real unchanged,
  // so printing the value with as many decimals as the text has gives the text back.
  const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
  const std::size_t digits = text.size() - sign;
  bool canonical = decimals > 0 && digits >= static_cast<std::size_t>(decimals) + 2 && digits <= 19 &&
                   text[text.size() - static_cast<std::size_t>(decimals) - 1] == '.' &&
                   (text[sign] != '0' || text[sign + 1] == '.');
  bool nonzero = false;
  for (std::size_t k = sign; canonical && k < text.size(); ++k) {
    const char c = text[k];
    if (c >= '1' && c <= '9') {
      nonzero = true;
    } else if (c != '0' && k != text.size() - static_cast<std::size_t>(decimals) - 1) {
      canonical = false;
    }
  }
  if (canonical && (nonzero || sign == 0)) {
    AppendRightAligned(out, text, width);
    return;
  }
  AppendFixedField(out, value, width, decimals);
}

}  // namespace orvane
