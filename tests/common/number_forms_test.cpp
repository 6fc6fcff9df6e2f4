#include <gtest/gtest.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include "common/number_format.h"
#include "common/number_parse.h"

using namespace orvane;

TEST(NumberFormat, FixedField) {
  EXPECT_EQ(FixedField(123.4567891, 12, 5), "   123.45679");
  EXPECT_EQ(FixedField(123.4567891, 12, 3), "     123.457");
  EXPECT_EQ(FixedField(-0.0001, 8, 3), "  -0.000");  // negative rounding to zero keeps its sign
  EXPECT_EQ(FixedField(-0.0, 6, 2), "  0.00");
  EXPECT_EQ(FixedField(123456.5, 4, 1), "123456.5");  // a wider value widens the field
  EXPECT_EQ(FixedField(0.0010, 10, 4), "    0.0010");
}

TEST(NumberFormat, Scientific23) {
  EXPECT_EQ(Scientific23(1.5), " 1.50000000000000E+0000");
  EXPECT_EQ(Scientific23(210.5), " 2.10500000000000E+0002");
  EXPECT_EQ(Scientific23(-0.00012), "-1.20000000000000E-0004");
  EXPECT_EQ(Scientific23(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(Scientific23(1.5).size(), 23u);
}

TEST(NumberFormat, IntegersAndText) {
  EXPECT_EQ(IntegerField(42, 7), "     42");
  EXPECT_EQ(IntegerField(-3), "-3");
  EXPECT_EQ(RightAligned("P1", 16), "              P1");
  EXPECT_EQ(RightAligned("12345678901234567", 16), "12345678901234567");
}

TEST(NumberFormat, ShortNumber) {
  EXPECT_EQ(ShortNumber(1.23456), "1.23456");
  EXPECT_EQ(ShortNumber(1.0), "1");
  EXPECT_EQ(ShortNumber(0), "0");
  EXPECT_EQ(ShortNumber(0.00001), "0.00001");
  EXPECT_EQ(ShortNumber(0.000001), "1E-6");
  EXPECT_EQ(ShortNumber(-2.5), "-2.5");
  EXPECT_EQ(ShortNumber(123456789012345.0), "123456789012345");
  EXPECT_EQ(ShortNumber(1234567890123456.0), "1.23456789012346E15");
  EXPECT_EQ(ShortNumber(0.1 + 0.2), "0.3");
}

// A numeric locale whose decimal point is a comma, as a window toolkit sets from a Polish
// desktop; built into a scratch folder when the system has none. Empty when none can be had.
std::string CommaLocale() {
  for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "pl_PL", "de_DE.UTF-8", "fr_FR.UTF-8", "Polish_Poland.1250", "pl-PL"})
    if (std::setlocale(LC_NUMERIC, name)) return name;
#ifdef _WIN32
  return {};
#else
  const auto dir = std::filesystem::temp_directory_path() / "orvane_comma_locale";
  const std::string command = "localedef -i pl_PL -f UTF-8 '" + (dir / "pl_PL.UTF-8").string() + "' >/dev/null 2>&1";
  if (!std::filesystem::exists(dir / "pl_PL.UTF-8" / "LC_NUMERIC")) {
    std::filesystem::create_directories(dir);
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir / "pl_PL.UTF-8" / "LC_NUMERIC")) return {};
  }
  ::setenv("LOCPATH", dir.c_str(), 1);
  const bool ok = std::setlocale(LC_NUMERIC, "pl_PL.UTF-8") != nullptr;
  ::unsetenv("LOCPATH");
  return ok ? "pl_PL.UTF-8" : "";
#endif
}

// Every number of the result files and of the MONITOR has "." as its decimal point, whatever the
// user's regional settings: a comma is a field separator for every reader of the suite.
TEST(NumberFormat, DecimalPointIsAPointInEveryLocale) {
  struct RestoreLocale {
    ~RestoreLocale() { std::setlocale(LC_NUMERIC, "C"); }
  } restore;
  const std::string name = CommaLocale();
  if (name.empty()) GTEST_SKIP() << "no locale with a decimal comma";
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  EXPECT_EQ(FixedField(123.4567891, 12, 5), "   123.45679");
  EXPECT_EQ(FixedField(-0.0001, 8, 3), "  -0.000");
  EXPECT_EQ(Scientific23(210.5), " 2.10500000000000E+0002");
  EXPECT_EQ(ShortNumber(1.23456), "1.23456");
  EXPECT_EQ(ShortNumber(0.000001), "1E-6");
  std::string out;
  AppendFixedField(out, 1e30L, 0, 4);  // beyond the exact 64-bit path
  EXPECT_EQ(out, "1000000000000000000024696061952.0000");
  out.clear();
  AppendFixedFieldOf(out, "1.5", 1.5L, 6, 3);
  EXPECT_EQ(out, " 1.500");
}

TEST(NumberFormat, TruncateTo5Decimals) {
  EXPECT_EQ(ShortNumber(TruncateTo5Decimals(1.234567)), "1.23456");
  EXPECT_EQ(ShortNumber(TruncateTo5Decimals(-1.234567)), "-1.23456");
}

TEST(NumberParse, GoodAndBadNumbers) {
  struct Case {
    std::string text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"1.5", true, 1.5},    {"-0.25", true, -0.25}, {"+3", true, 3},       {"1e3", true, 1000},
      {"2.E-2", true, 0.02}, {".5", true, 0.5},      {"5.", true, 5},       {"1e-999", true, 0},
      {"", false, 0},        {"abc", false, 0},      {"1,5", false, 0},     {"nan", false, 0},
      {"inf", false, 0},     {"1e999", false, 0},    {"0x10", false, 0},    {"1e", false, 0},
      {".", false, 0},       {"--1", false, 0},      {"1.5x", false, 0},    {" 1", false, 0},
      // Out of range: the digits count as much as the exponent's sign.
      {"1" + std::string(400, '0') + "e-1", false, 0},  {"0." + std::string(400, '0') + "1e+1", true, 0},
      {"-1e-400", true, 0},  {"1e+400", false, 0},   {"0.0e999", true, 0},
  };
  for (const auto& c : cases) {
    double v = -7;
    EXPECT_EQ(ParseNumber(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  long double lv = 0;
  EXPECT_TRUE(ParseNumber("19.85593", lv));
  EXPECT_NEAR(static_cast<double>(lv), 19.85593, 1e-15);
  int i = 0;
  EXPECT_TRUE(ParseInteger("-52", i));
  EXPECT_EQ(i, -52);
  EXPECT_FALSE(ParseInteger("52.0", i));
  EXPECT_FALSE(ParseInteger("99999999999", i));
}

// Integers: one optional sign ("+" or "-") and decimal digits within 32 bits; the digits-only
// fast path must agree with that rule on every text, leading zeros and limits included.
TEST(NumberParse, IntegerRuleOnEveryKindOfText) {
  // The oracle: the C library's strtoll on a text of one optional sign and digits only, then a
  // range check to 32 bits.
  const auto rule = [](const std::string& s, int& v) {
    const std::size_t first = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (first == s.size()) return false;
    for (std::size_t k = first; k < s.size(); ++k)
      if (s[k] < '0' || s[k] > '9') return false;
    errno = 0;
    const long long x = std::strtoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE || x < INT_MIN || x > INT_MAX) return false;
    v = static_cast<int>(x);
    return true;
  };
  std::mt19937 random(23);
  const char alphabet[] = "0123456789000999+-. e\xB3";
  for (int k = 0; k < 300000; ++k) {
    std::string text;
    const int length = static_cast<int>(random() % 13);
    for (int c = 0; c < length; ++c) text += alphabet[random() % (sizeof alphabet - 1)];
    int mine = 12345;
    int expected = 12345;
    const bool ok = ParseInteger(text, mine);
    ASSERT_EQ(ok, rule(text, expected)) << text;
    if (ok) {
      ASSERT_EQ(mine, expected) << text;
    }
  }
  for (const char* text : {"2147483647", "-2147483648", "+2147483647", "000000000", "999999999", "0999999999"}) {
    int mine = 0;
    int expected = 0;
    ASSERT_TRUE(ParseInteger(text, mine)) << text;
    ASSERT_TRUE(rule(text, expected));
    EXPECT_EQ(mine, expected) << text;
  }
  int v = 0;
  EXPECT_FALSE(ParseInteger("2147483648", v));
  EXPECT_FALSE(ParseInteger("", v));
  EXPECT_FALSE(ParseInteger("++1", v));
  EXPECT_FALSE(ParseInteger("+-9", v));
  EXPECT_FALSE(ParseInteger("-+9", v));
}

// The appending forms give the bytes of the plain forms for every width, including widths wider
// than their scratch space.
TEST(NumberFormat, AppendingFormsEqualThePlainFormsAtEveryWidth) {
  const long long integers[] = {0, 7, -7, 52, -52, 123456789, -2147483648LL, 9223372036854775807LL};
  const double reals[] = {0.0, -0.0, 1.5, -1.5, -0.00001, 30.0655, -123456.78912, 1e15, -9.87654321e17};
  for (int width = 0; width <= 70; ++width) {
    for (const long long v : integers) {
      std::string out = "x";
      AppendIntegerField(out, v, width);
      EXPECT_EQ(out, "x" + IntegerField(v, width)) << v << " " << width;
    }
    for (const double v : reals) {
      for (const int decimals : {0, 2, 4, 8}) {
        std::string out = "x";
        AppendFixedField(out, v, width, decimals);
        EXPECT_EQ(out, "x" + FixedField(v, width, decimals)) << v << " " << width << " " << decimals;
      }
    }
  }
}

// The appending fixed form of the result lines must give printf's bytes for every value the
// lists can meet (extended reals, ties, negative values that round to zero).
TEST(NumberForms, AppendFixedFieldMatchesPrintfForExtendedReals) {
  std::mt19937_64 random(5);
  for (int k = 0; k < 300000; ++k) {
    long double v = 0;
    switch (k % 4) {
      case 0:
        v = static_cast<long double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000) /
            std::pow(10.0L, static_cast<int>(random() % 9));
        break;
      case 1:
        v = std::ldexp(static_cast<long double>(random()), static_cast<int>(random() % 90) - 80);
        if (random() & 1) v = -v;
        break;
      case 2:  // exact binary ties at the last printed decimal
        v = static_cast<long double>(static_cast<std::int64_t>(random() % 4000) - 2000) / 8.0L;
        break;
      default:
        v = static_cast<long double>(static_cast<double>(static_cast<std::int64_t>(random() % 2000000) - 1000000) / 1024.0);
    }
    const int decimals = static_cast<int>(random() % 9);
    const int width = static_cast<int>(random() % 14);
    std::string mine;
    orvane::AppendFixedField(mine, v, width, decimals);
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*Lf", decimals, v == 0 ? 0.0L : v);
    ASSERT_EQ(mine, orvane::RightAligned(buf, width)) << static_cast<double>(v) << " " << decimals;
  }
  // Beyond 64 bits of scaled digits the general path takes over, with the same bytes.
  std::string huge;
  orvane::AppendFixedField(huge, -1e30L, 9, 4);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.4Lf", -1e30L);
  EXPECT_EQ(huge, buf);
  std::string nan;
  orvane::AppendFixedField(nan, std::nanl(""), 6, 2);
  EXPECT_EQ(nan, "   NAN");
}

// Seconds are copied when their text already is the printed form; the bytes must be those of
// formatting the value read from it.
TEST(NumberForms, FixedFieldOfTextGivesTheFormattedBytes) {
  std::mt19937_64 random(13);
  const char alphabet[] = "0123456789.-+e";
  for (int k = 0; k < 300000; ++k) {
    std::string text;
    if (k % 2 == 0) {
      // Plausible seconds: optional sign, digits, point, 0..7 decimals.
      if (random() % 5 == 0) text += '-';
      const int integer = static_cast<int>(random() % 21);
      for (int d = 0; d < integer; ++d) text += static_cast<char>('0' + random() % 10);  // leading zeros too
      if (text.empty() || text == "-") text += '0';
      text += '.';
      const int decimals = static_cast<int>(random() % 8);
      for (int d = 0; d < decimals; ++d) text += static_cast<char>('0' + random() % 10);
    } else {
      const int length = 1 + static_cast<int>(random() % 12);
      for (int d = 0; d < length; ++d) text += alphabet[random() % (sizeof alphabet - 1)];
    }
    long double value = 0;
    if (!orvane::ParseNumber(text, value)) continue;
    const int decimals = static_cast<int>(random() % 7);
    std::string copied;
    std::string formatted;
    orvane::AppendFixedFieldOf(copied, text, value, 8, decimals);
    orvane::AppendFixedField(formatted, value, 8, decimals);
    ASSERT_EQ(copied, formatted) << text << " " << decimals;
  }
  for (const char* text : {"-0.00000", "00.12345", "+1.00000", "1.5e0", "12345678901234.12345"}) {
    long double value = 0;
    ASSERT_TRUE(orvane::ParseNumber(text, value));
    std::string copied;
    std::string formatted;
    orvane::AppendFixedFieldOf(copied, text, value, 8, 5);
    orvane::AppendFixedField(formatted, value, 8, 5);
    EXPECT_EQ(copied, formatted) << text;
  }
}

TEST(NumberForms, ShortDecimalsReadExactlyAsTheGeneralReader) {
  std::mt19937_64 random(9);
  for (int k = 0; k < 200000; ++k) {
    char text[64];
    const double v = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 60) - 50);
    std::snprintf(text, sizeof text, "%s%.*f", random() & 1 ? "-" : "", static_cast<int>(random() % 20), v);
    long double mine = 0;
    long double reference = 0;
    ASSERT_TRUE(orvane::ParseNumber(text, mine)) << text;
#ifdef __MINGW32__
    reference = __mingw_strtold(text, nullptr);  // MinGW's from_chars reads a long double through double
#else
    std::from_chars(text, text + std::strlen(text), reference);
#endif
    ASSERT_EQ(std::memcmp(&mine, &reference, 10), 0) << text;
    double mineD = 0;
    double referenceD = 0;
    ASSERT_TRUE(orvane::ParseNumber(text, mineD));
    std::from_chars(text, text + std::strlen(text), referenceD);
    ASSERT_EQ(mineD, referenceD) << text;
  }
  long double plus = 0;
  ASSERT_TRUE(orvane::ParseNumber("+12.5", plus));
  EXPECT_EQ(plus, 12.5L);
}
