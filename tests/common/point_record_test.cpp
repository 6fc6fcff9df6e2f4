// The point-record rule shared by both programs: the number cut to 16 bytes, and B, L in
// degrees, minutes and seconds.
#include "common/point_record.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

TEST(PointRecord, NumberKeepsSixteenBytes) {
  EXPECT_EQ(CutPointNr("12345678901234567890"), "1234567890123456");
  EXPECT_EQ(CutPointNr("Rp 7"), "Rp 7");
  EXPECT_EQ(CutPointNr(""), "");
}

TEST(PointRecord, DegreesMinutesSeconds) {
  DmsPosition p;
  ASSERT_TRUE(ParseDmsFields({"52", "0", "12.5", "19", "59", "0.125"}, p));
  EXPECT_EQ(p.bDegrees, 52);
  EXPECT_EQ(p.bMinutes, 0);
  EXPECT_EQ(p.bSeconds, 12.5L);
  EXPECT_EQ(p.lDegrees, 19);
  EXPECT_EQ(p.lMinutes, 59);
  EXPECT_EQ(p.lSeconds, 0.125L);
  // Degrees and minutes are whole numbers; every field must be a number of its form.
  for (const std::array<std::string_view, 6>& bad :
       {std::array<std::string_view, 6>{"52.5", "0", "1", "19", "0", "0"},
        std::array<std::string_view, 6>{"52", "0", "1.5x", "19", "0", "0"},
        std::array<std::string_view, 6>{"52", "0", "1", "19", "", "0"},
        std::array<std::string_view, 6>{"52", "0", "1", "19", "0", "nan"}}) {
    DmsPosition q;
    EXPECT_FALSE(ParseDmsFields(bad, q)) << bad[0] << " " << bad[2] << " " << bad[4] << " " << bad[5];
  }
}

}  // namespace
}  // namespace orvane
