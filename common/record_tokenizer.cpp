#include "common/record_tokenizer.h"

namespace orvane {

namespace {

// The separator test as a table, so the scan costs one load per byte.
struct SeparatorTable {
  bool separator[256] = {};
  constexpr SeparatorTable() {
    for (int c = 0; c < 256; ++c) separator[c] = IsSeparator(static_cast<unsigned char>(c));
  }
  static constexpr bool IsSeparator(unsigned char c) { return c == 0 || c == 9 || c == 32 || c == 44 || c == 59; }
};
constexpr SeparatorTable kSeparators;

}  // namespace

int IsFieldChar(unsigned char c) { return kSeparators.separator[c] ? 0 : 1; }

void SplitFields(std::string_view line, FieldTable& table, int& count) {
  count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  for (;;) {
    // A run of separators of any length and mix ends one field and starts the next.
    while (p != end && kSeparators.separator[static_cast<unsigned char>(*p)]) ++p;
    if (p == end) break;
    const char* const start = p;
    while (p != end && !kSeparators.separator[static_cast<unsigned char>(*p)]) ++p;
    if (count == kFieldCapacity) break;  // the table is full: the rest of the line is not stored
    ++count;
    table.slot[static_cast<std::size_t>(count)].assign(start, static_cast<std::size_t>(p - start));
  }
  // Slots up to 200 end up empty beyond the count; only those that may still hold text need it.
  for (int k = count + 1; k <= table.filled && k <= 200; ++k) table.slot[static_cast<std::size_t>(k)].clear();
  table.filled = count < 200 ? count : 200;
}

int SplitLeadingFields(std::string_view line, std::string_view* fields, int wanted) {
  int count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (count < wanted) {
    while (p != end && kSeparators.separator[static_cast<unsigned char>(*p)]) ++p;
    if (p == end) break;
    const char* const start = p;
    while (p != end && !kSeparators.separator[static_cast<unsigned char>(*p)]) ++p;
    fields[++count] = std::string_view(start, static_cast<std::size_t>(p - start));
  }
  for (int k = count + 1; k <= wanted; ++k) fields[k] = std::string_view();
  return count;
}

}  // namespace orvane
