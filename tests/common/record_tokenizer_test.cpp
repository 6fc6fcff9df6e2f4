#include "common/record_tokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using orvane::FieldTable;
using orvane::SplitFields;

namespace {

std::vector<std::string> Split(std::string_view line, FieldTable& table) {
  int count = -1;
  SplitFields(line, table, count);
  std::vector<std::string> fields;
  for (int k = 1; k <= count; ++k) fields.push_back(table[k]);
  return fields;
}

struct SplitCase {
  std::string line;
  std::vector<std::string> fields;
};

}  // namespace

TEST(RecordTokenizer, SplitsOnEveryMixOfSeparators) {
  const std::vector<SplitCase> cases = {
      {"A100 51 32 19.85593 19 36  3.24319", {"A100", "51", "32", "19.85593", "19", "36", "3.24319"}},
      {"   A1,,;\t 5 ", {"A1", "5"}},
      {"", {}},
      {";;;", {}},
      {"x", {"x"}},
      {std::string("a\0b", 3), {"a", "b"}},
      {"1,5", {"1", "5"}},
      {"52\xB0" "30'", {"52\xB0" "30'"}},  // degree sign and apostrophe are field characters
      {"P1 P2\r", {"P1", "P2\r"}},         // CR is a field character
  };
  FieldTable table;
  for (const auto& c : cases) EXPECT_EQ(Split(c.line, table), c.fields) << c.line;
}

TEST(RecordTokenizer, ShorterLineEmptiesTheSlotsUpTo200) {
  FieldTable table;
  Split("1 2 3 4 5 6 7 8 9", table);
  Split("a b c", table);
  for (int k = 4; k <= 200; ++k) EXPECT_TRUE(table[k].empty()) << k;
}

TEST(RecordTokenizer, KeepsAtMost500Fields) {
  std::string line;
  for (int k = 1; k <= 700; ++k) line += "f" + std::to_string(k) + " ";
  FieldTable table;
  int count = 0;
  SplitFields(line, table, count);
  EXPECT_EQ(count, 500);
  EXPECT_EQ(table[500], "f500");
  EXPECT_EQ(table[1], "f1");
}

TEST(RecordTokenizer, IsFieldCharSeparators) {
  for (int c = 0; c < 256; ++c) {
    const bool separator = c == 0 || c == 9 || c == 32 || c == 44 || c == 59;
    EXPECT_EQ(orvane::IsFieldChar(static_cast<unsigned char>(c)), separator ? 0 : 1) << c;
  }
}

// The in-place form must give exactly the leading fields of the table form, and the count capped
// at what was asked, for every mix of separators, empty lines and lines beyond 500 fields.
TEST(RecordTokenizer, LeadingFieldsInPlaceAreThoseOfTheTable) {
  std::mt19937 random(17);
  const char alphabet[] = {'a', '1', '.', '-', ' ', ' ', '\t', ',', ';', '\0', '\r', '\xB3'};
  FieldTable table;
  std::vector<std::string_view> views(501);
  for (int k = 0; k < 20000; ++k) {
    std::string line;
    const int length = k % 100 == 0 ? 2000 : static_cast<int>(random() % 40);
    for (int c = 0; c < length; ++c) line += alphabet[random() % sizeof alphabet];
    int count = 0;
    SplitFields(line, table, count);
    for (const int wanted : {1, 2, 8, 500}) {
      for (auto& v : views) v = "stale";
      const int leading = orvane::SplitLeadingFields(line, views.data(), wanted);
      ASSERT_EQ(leading, std::min(count, wanted)) << line;
      for (int f = 1; f <= wanted; ++f) ASSERT_EQ(views[static_cast<std::size_t>(f)], f <= count ? table[f] : "") << line;
    }
  }
}
