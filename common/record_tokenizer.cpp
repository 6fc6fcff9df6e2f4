#include "common/record_tokenizer.h"

namespace orvane {

int IsFieldChar(unsigned char c) {
  return (c == 0 || c == 9 || c == 32 || c == 44 || c == 59) ? 0 : 1;
}

void SplitFields(std::string_view line, FieldTable& table, int& count) {
  // Slots 1..200 end up empty beyond the count; only those that may hold text need emptying.
  for (int k = 1; k <= table.filled && k <= 200; ++k) table.slot[static_cast<std::size_t>(k)].clear();
  count = 1;
  const std::size_t n = line.size();
  std::size_t j = 0;
  while (j < n) {
    // Skip a run of separators.
    while (j < n && !IsFieldChar(static_cast<unsigned char>(line[j]))) ++j;
    if (j == n) break;
    std::size_t start = j;
    while (j < n && IsFieldChar(static_cast<unsigned char>(line[j]))) ++j;
    std::string& slot = table.slot[static_cast<std::size_t>(count)];
    slot.assign(line.substr(start, j - start));
    if (j == n) break;  // the field ends with the line
    if (count == kFieldCapacity) break;  // the table is full: the rest of the line is not stored
    ++count;
    table.slot[static_cast<std::size_t>(count)].clear();
  }
  if (table.slot[static_cast<std::size_t>(count)].empty()) --count;
  table.filled = count < 200 ? count : 200;
}

}  // namespace orvane
