#include "common/point_record.h"

#include "common/number_parse.h"

namespace orvane {

bool ParseDmsFields(const std::array<std::string_view, 6>& f, DmsPosition& p) {
  int bDeg = 0, bMin = 0, lDeg = 0, lMin = 0;
  if (!ParseInteger(f[0], bDeg) || !ParseInteger(f[1], bMin) || !ParseNumber(f[2], p.bSeconds) ||
      !ParseInteger(f[3], lDeg) || !ParseInteger(f[4], lMin) || !ParseNumber(f[5], p.lSeconds))
    return false;
  p.bDegrees = bDeg;
  p.bMinutes = bMin;
  p.lDegrees = lDeg;
  p.lMinutes = lMin;
  return true;
}

}  // namespace orvane
