#pragma once
// The format readers behind ReadRawFile. Each reads the whole file through a LineBuilder.
#include <string_view>

#include "common/line_reader.h"
#include "leveling/field/raw_level.h"

namespace kvel::field {

struct LineReaderSource {
  orvane::LineReader reader;
  bool Next(std::string_view& line) { return reader.ReadLineView(line); }
};

bool ReadGsi(LineReaderSource& source, RawFile& file, ReadError& error);
bool ReadM5(LineReaderSource& source, RawFile& file, ReadError& error);

}  // namespace kvel::field
