#include <gtest/gtest.h>

#include <limits>

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

TEST(NumberFormat, TruncateTo5Decimals) {
  EXPECT_EQ(ShortNumber(TruncateTo5Decimals(1.234567)), "1.23456");
  EXPECT_EQ(ShortNumber(TruncateTo5Decimals(-1.234567)), "-1.23456");
}

TEST(NumberParse, GoodAndBadNumbers) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"1.5", true, 1.5},    {"-0.25", true, -0.25}, {"+3", true, 3},       {"1e3", true, 1000},
      {"2.E-2", true, 0.02}, {".5", true, 0.5},      {"5.", true, 5},       {"1e-999", true, 0},
      {"", false, 0},        {"abc", false, 0},      {"1,5", false, 0},     {"nan", false, 0},
      {"inf", false, 0},     {"1e999", false, 0},    {"0x10", false, 0},    {"1e", false, 0},
      {".", false, 0},       {"--1", false, 0},      {"1.5x", false, 0},    {" 1", false, 0},
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
