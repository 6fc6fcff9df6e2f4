// libFuzzer target: one input is one record. It is split into fields, and every field is read as
// a number (double and long double) and as an integer. A number that is accepted must be finite
// and equal to what the C library reads from the same text; a field never holds a separator.
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "common/number_parse.h"
#include "common/record_tokenizer.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view field) {
  std::fprintf(stderr, "%s: \"%.*s\"\n", what, static_cast<int>(field.size()), field.data());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto table = std::make_unique<orvane::FieldTable>();
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  int count = -1;
  orvane::SplitFields(line, *table, count);
  if (count < 0 || count > orvane::kFieldCapacity) Fail("field count out of range", line);

  for (int k = 1; k <= count; ++k) {
    const std::string& field = (*table)[k];
    if (field.empty()) Fail("empty field", field);
    for (unsigned char c : field)
      if (!orvane::IsFieldChar(c)) Fail("separator inside a field", field);

    double value = 0;
    if (orvane::ParseNumber(field, value)) {
      if (!std::isfinite(value)) Fail("accepted a non-finite number", field);
      if (field.find_first_of("xXnNiI,") != std::string::npos) Fail("accepted a non-decimal form", field);
      // A value below the normal range reads as zero (no file of the suite means it).
      const double reference = std::strtod(field.c_str(), nullptr);
      const bool underflow = std::fabs(reference) < std::numeric_limits<double>::min() && value == 0;
      if (reference != value && !underflow) Fail("differs from strtod", field);
    }
    long double wide = 0;
    if (orvane::ParseNumber(field, wide)) {
      if (!std::isfinite(wide)) Fail("accepted a non-finite long double", field);
      const long double reference = std::strtold(field.c_str(), nullptr);
      const bool underflow = std::fabs(reference) < std::numeric_limits<long double>::min() && wide == 0;
      if (reference != wide && !underflow) Fail("long double differs from strtold", field);
    }
    int integer = 0;
    if (orvane::ParseInteger(field, integer)) {
      const long long reference = std::strtoll(field.c_str(), nullptr, 10);
      if (reference != integer) Fail("integer differs from strtoll", field);
    }
  }
  return 0;
}
