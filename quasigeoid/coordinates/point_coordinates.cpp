#include "quasigeoid/coordinates/point_coordinates.h"

#ifdef ORVANE_COORDINATES_WITH_PROJ
#include <proj.h>
#endif

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "common/number_parse.h"

namespace solvanta {

namespace {

// GRS80.
constexpr double kA = 6378137.0;
constexpr double kF = 1.0 / 298.257222101;

// PL-2000: zone n on the central meridian 3n degrees, scale 0.999923, false easting
// n * 1 000 000 + 500 000. PL-1992: meridian 19 degrees, scale 0.9993, false easting 500 000 and
// northing -5 300 000. Given to PROJ without false eastings and northings, which are added here.
constexpr double kPl1992FalseNorthing = -5300000.0;
// Half the width of a PL-2000 zone's strip, degrees.
constexpr double kZoneHalfWidth = 1.5;
constexpr double kDegree = 3.14159265358979323846 / 180.0;

#ifdef ORVANE_COORDINATES_WITH_PROJ
// PROJ's operations of one thread: a PJ may be used by one thread at a time, and every list
// thread makes its own (a few microseconds each, from a definition string, no database).
class Operations {
 public:
  Operations() : context_(proj_context_create()) { proj_context_set_enable_network(context_, 0); }
  ~Operations() {
    for (PJ*& op : ops_)
      if (op) proj_destroy(op);
    proj_context_destroy(context_);
  }
  Operations(const Operations&) = delete;
  Operations& operator=(const Operations&) = delete;

  // 0..3: PL-2000 zones 5..8, 4: PL-1992, 5: geocentric.
  PJ* Get(int k) {
    if (!ops_[k]) ops_[k] = proj_create(context_, Definition(k).c_str());
    return ops_[k];
  }

 private:
  static std::string Definition(int k) {
    // Poder and Engsager's exact transverse Mercator (nanometres within a zone), named so that no
    // default of the library can put another in its place.
    if (k < 4)
      return "+proj=tmerc +algo=poder_engsager +ellps=GRS80 +lat_0=0 +k=0.999923 +x_0=0 +y_0=0 +lon_0=" +
             std::to_string(3 * (k + 5));
    if (k == 4) return "+proj=tmerc +algo=poder_engsager +ellps=GRS80 +lat_0=0 +k=0.9993 +x_0=0 +y_0=0 +lon_0=19";
    return "+proj=cart +ellps=GRS80";
  }
  PJ_CONTEXT* context_;
  PJ* ops_[6] = {};
};

Operations& ThreadOperations() {
  thread_local Operations operations;
  return operations;
}

// Inverse of operation k: latitude and longitude in degrees (and h for the geocentric one); false
// where PROJ gives no position.
bool Inverse(int k, double a, double b, double c, double& latitude, double& longitude, double& h) {
  PJ* op = ThreadOperations().Get(k);
  if (!op) return false;
  const PJ_COORD out = proj_trans(op, PJ_INV, proj_coord(a, b, c, 0));
  if (!std::isfinite(out.lpz.lam) || !std::isfinite(out.lpz.phi) || std::fabs(out.lpz.phi) > 2) {
    proj_errno_reset(op);
    return false;
  }
  latitude = out.lpz.phi / kDegree;
  longitude = out.lpz.lam / kDegree;
  h = out.lpz.z;
  return true;
}

void Forward(int k, double latitude, double longitude, double h, double& a, double& b, double& c) {
  const PJ_COORD out =
      proj_trans(ThreadOperations().Get(k), PJ_FWD, proj_coord(longitude * kDegree, latitude * kDegree, h, 0));
  a = out.xyz.x;
  b = out.xyz.y;
  c = out.xyz.z;
}

// Planar forms need the projections.
constexpr bool kProjections = true;
#else
// A build without PROJ (the one for Windows) reads degrees only: the forms that need a projection
// are not offered.
constexpr bool kProjections = false;
bool Inverse(int, double, double, double, double&, double&, double&) { return false; }
void Forward(int, double, double, double, double& a, double& b, double& c) { a = b = c = std::nan(""); }
#endif

bool Number(std::string_view field, long double& value) { return orvane::ParseNumber(field, value); }

// A plane coordinate no list of Poland comes near (beyond it the series mean nothing).
bool Plausible(double v, double limit) { return std::isfinite(v) && std::fabs(v) < limit; }

}  // namespace

bool ParseCoordinateForm(std::string_view name, CoordinateForm& form) {
  for (CoordinateForm f : {CoordinateForm::Dms, CoordinateForm::Degrees, CoordinateForm::Pl2000, CoordinateForm::Pl1992,
                           CoordinateForm::Geocentric}) {
    const bool projected = f == CoordinateForm::Pl2000 || f == CoordinateForm::Pl1992 || f == CoordinateForm::Geocentric;
    if (name == CoordinateFormName(f) && (kProjections || !projected)) {
      form = f;
      return true;
    }
  }
  return false;
}

std::string_view CoordinateFormName(CoordinateForm form) {
  switch (form) {
    case CoordinateForm::Dms:
      return "dms";
    case CoordinateForm::Degrees:
      return "deg";
    case CoordinateForm::Pl2000:
      return "pl2000";
    case CoordinateForm::Pl1992:
      return "pl1992";
    case CoordinateForm::Geocentric:
      break;
  }
  return "xyz";
}

std::string_view CoordinateFormTitle(CoordinateForm form) {
  switch (form) {
    case CoordinateForm::Dms:
      return "stopnie, min., sek.";
    case CoordinateForm::Degrees:
      return "stopnie dziesiętne";
    case CoordinateForm::Pl2000:
      return "PL-2000 (x, y)";
    case CoordinateForm::Pl1992:
      return "PL-1992 (x, y)";
    case CoordinateForm::Geocentric:
      break;
  }
  return "X, Y, Z geocentryczne";
}

int CoordinateFieldCount(CoordinateForm form) {
  switch (form) {
    case CoordinateForm::Dms:
      return 6;
    case CoordinateForm::Geocentric:
      return 3;
    case CoordinateForm::Degrees:
    case CoordinateForm::Pl2000:
    case CoordinateForm::Pl1992:
      break;
  }
  return 2;
}

CoordinateRead ReadCoordinates(CoordinateForm form, const std::string_view* fields, PlanePosition& position) {
  long double a = 0, b = 0, c = 0;
  if (!Number(fields[0], a) || !Number(fields[1], b)) return CoordinateRead::NotANumber;
  if (form == CoordinateForm::Geocentric && !Number(fields[2], c)) return CoordinateRead::NotANumber;
  double latitude = 0, longitude = 0;
  switch (form) {
    case CoordinateForm::Dms:
      return CoordinateRead::NotANumber;  // read by ParseDmsFields
    case CoordinateForm::Degrees:
      // Any number is a position here; the model's area decides whether it is computed.
      position.bSeconds = a * 3600.0L;
      position.lSeconds = b * 3600.0L;
      return CoordinateRead::Read;
    case CoordinateForm::Pl2000: {
      const double x = static_cast<double>(a);
      const double y = static_cast<double>(b);
      if (!(y >= 5000000.0 && y < 9000000.0)) return CoordinateRead::NoZone;
      if (!Plausible(x, 1e7)) return CoordinateRead::Unusable;
      const int zone = static_cast<int>(y / 1000000.0);
      const double meridian = 3.0 * zone;
      double h = 0;
      if (!Inverse(zone - 5, y - (zone * 1000000.0 + 500000.0), x, 0, latitude, longitude, h))
        return CoordinateRead::Unusable;
      if (!(std::fabs(longitude - meridian) <= kZoneHalfWidth + 1e-9)) return CoordinateRead::OutsideZone;
      break;
    }
    case CoordinateForm::Pl1992: {
      const double x = static_cast<double>(a);
      const double y = static_cast<double>(b);
      if (!Plausible(x, 1e7) || !Plausible(y - 500000.0, 2e6)) return CoordinateRead::Unusable;
      double h = 0;
      if (!Inverse(4, y - 500000.0, x - kPl1992FalseNorthing, 0, latitude, longitude, h))
        return CoordinateRead::Unusable;
      break;
    }
    case CoordinateForm::Geocentric: {
      const double X = static_cast<double>(a);
      const double Y = static_cast<double>(b);
      const double Z = static_cast<double>(c);
      // Within 100 km of the ellipsoid: a position on the Earth, not a typing error.
      const double r = std::sqrt(X * X + Y * Y + Z * Z);
      if (!(r > kA * (1 - kF) - 1e5 && r < kA + 1e5)) return CoordinateRead::Unusable;
      double h = 0;
      if (!Inverse(5, X, Y, Z, latitude, longitude, h)) return CoordinateRead::Unusable;
      position.ellipsoidalHeight = h;
      break;
    }
  }
  position.bSeconds = static_cast<long double>(latitude) * 3600.0L;
  position.lSeconds = static_cast<long double>(longitude) * 3600.0L;
  return CoordinateRead::Read;
}

std::string CoordinateMisfitText(CoordinateForm form, CoordinateRead read, const std::string_view* fields) {
  const std::string system = form == CoordinateForm::Pl2000   ? "PL-2000"
                             : form == CoordinateForm::Pl1992 ? "PL-1992"
                                                              : "X Y Z";
  switch (read) {
    case CoordinateRead::NoZone:
      return " *** y = " + std::string(fields[1]) + " bez numeru strefy 5-8 układu PL-2000";
    case CoordinateRead::OutsideZone:
      return " *** punkt poza pasem strefy " + std::string(fields[1].substr(0, 1)) +
             " układu PL-2000 (y = " + std::string(fields[1]) + ")";
    case CoordinateRead::Unusable:
      return " *** współrzędne poza zasięgiem układu " + system;
    case CoordinateRead::Read:
    case CoordinateRead::NotANumber:
      break;
  }
  return {};
}

void ToPl2000(double latitude, double longitude, int zone, double& x, double& y) {
  double easting = 0, northing = 0, unused = 0;
  Forward(zone - 5, latitude, longitude, 0, easting, northing, unused);
  x = northing;
  y = easting + zone * 1000000.0 + 500000.0;
}

void ToPl1992(double latitude, double longitude, double& x, double& y) {
  double easting = 0, northing = 0, unused = 0;
  Forward(4, latitude, longitude, 0, easting, northing, unused);
  x = northing + kPl1992FalseNorthing;
  y = easting + 500000.0;
}

void ToGeocentric(double latitude, double longitude, double h, double& X, double& Y, double& Z) {
  Forward(5, latitude, longitude, h, X, Y, Z);
}

}  // namespace solvanta
