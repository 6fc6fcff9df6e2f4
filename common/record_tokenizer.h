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

// The first `wanted` fields of `line` (1 <= wanted <= kFieldCapacity) as views into it, in
// fields[1..wanted]: the fields SplitFields gives, without copying them, for long lists whose
// records need only their leading fields. Returns how many fields the line has, but at most
// `wanted`; the views beyond that count are empty. `fields` holds wanted + 1 views.
int SplitLeadingFields(std::string_view line, std::string_view* fields, int wanted);

}  // namespace orvane
