#pragma once
// The field book dziennik.osn: per line its method, ends, set-ups, length and sum of dh with the
// instrument's own figures beside ours, the sections, the differences of sections run forward
// and back, the misclosures of lines between benchmarks, and every reading dropped with why.
#include <map>
#include <string>
#include <vector>

#include "common/text_writer.h"
#include "leveling/field/level_import.h"
#include "leveling/field/reduction.h"

namespace kvel::field {

struct FieldBookInput {
  const std::vector<RawFile>* files = nullptr;
  const Reduction* reduction = nullptr;
  const std::map<std::string, double>* benchmarkHeights = nullptr;  // the folder's catalogue
  const ImportOptions* options = nullptr;
  double unitError = 0;  // Mo of the end record
};

void WriteFieldBook(orvane::TextWriter& out, const FieldBookInput& input);

}  // namespace kvel::field
