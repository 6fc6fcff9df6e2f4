#pragma once
// Splitting of one text record into fields. Both programs read every input line through this.
#include <array>
#include <string>
#include <string_view>

namespace orvane {

// Number of field slots a table holds (slot 0 is never used).
inline constexpr int kFieldCapacity = 500;

// 0 for the five separators (NUL, TAB, blank, comma, semicolon), 1 for every other byte.
int IsFieldChar(unsigned char c);

// Field k of the last split line lives in slot k. Slots 1..200 are emptied by every split; slots
// above 200 beyond the count may still hold fields of an earlier, longer line.
struct FieldTable {
  std::array<std::string, kFieldCapacity + 1> slot;
  // Highest of slots 1..200 that may hold text; SplitFields empties only up to it. Code that
  // writes a slot by hand must raise it.
  int filled = 200;
  const std::string& operator[](int k) const { return slot[static_cast<std::size_t>(k)]; }
};

// Splits `line` (without its line end) into `table`; `count` gets the number of fields.
// A line with more than 500 fields keeps its first 500 and reports 500.
void SplitFields(std::string_view line, FieldTable& table, int& count);

}  // namespace orvane
