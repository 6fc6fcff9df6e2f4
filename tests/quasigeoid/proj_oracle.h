#pragma once
// PROJ as the tests' oracle: one context and one operation per definition string. Angles in
// degrees, heights and coordinates in metres.
#include <proj.h>

#include <stdexcept>
#include <string>

#include "gtx_file.h"

namespace solvanta_test {

class ProjOperation {
 public:
  explicit ProjOperation(const std::string& definition) : context_(proj_context_create()) {
    proj_context_set_enable_network(context_, 0);
    op_ = proj_create(context_, definition.c_str());
    if (!op_) throw std::runtime_error("PROJ cannot create: " + definition);
  }
  ~ProjOperation() {
    if (op_) proj_destroy(op_);
    proj_context_destroy(context_);
  }
  ProjOperation(const ProjOperation&) = delete;
  ProjOperation& operator=(const ProjOperation&) = delete;

  PJ_COORD Forward(PJ_COORD c) const { return proj_trans(op_, PJ_FWD, c); }
  PJ_COORD Inverse(PJ_COORD c) const { return proj_trans(op_, PJ_INV, c); }
  // Geodetic operations take and give angles in radians.
  PJ_COORD ForwardDegrees(double lonDeg, double latDeg, double z) const {
    return Forward(proj_coord(proj_torad(lonDeg), proj_torad(latDeg), z, 0));
  }

 private:
  PJ_CONTEXT* context_;
  PJ* op_ = nullptr;
};

// PL-ETRF2000 to PL-ETRF89 for a point given by longitude, latitude and ellipsoidal height: the
// Helmert transformation of the frames between two conversions to Cartesian coordinates.
inline constexpr const char* kEtrf89Chain =
    "+proj=pipeline +step +proj=cart +ellps=GRS80 "
    "+step +proj=helmert +convention=position_vector +x=0.0746552436612546 +y=0.304360437672585 "
    "+z=-0.462373680435121 +rx=0.0126894108803214 +ry=-0.00990896129211051 +rz=-0.00153873545460334 "
    "+s=0.05102 +step +inv +proj=cart +ellps=GRS80";

}  // namespace solvanta_test
