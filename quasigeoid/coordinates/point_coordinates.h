#pragma once
// The coordinates a point list may be written in, one form per run: degrees, minutes and seconds
// (the default), decimal degrees, the Polish plane systems PL-2000 (zones 5 to 8, EPSG:2176 to
// 2179) and PL-1992 (EPSG:2180), and geocentric X Y Z in the run's frame. Every form is read into
// latitude B and longitude L on GRS80, in arc-seconds, which is what the interpolation takes.
//
// Plane coordinates are x north and y east, in metres, as Polish surveyors write them; the
// PL-2000 zone is the leading digit of y. The projections are PROJ's: Poder and Engsager's exact
// transverse Mercator (nanometres within a zone) and the geocentric conversion, each list thread
// with operations of its own. PROJ's inverse costs about a third of what GeographicLib's exact
// series does (which also works out the convergence and scale no list needs), so a PL-2000 list
// keeps close to the speed of one in degrees (bench/quasigeoid/README.md).
#include <string>
#include <string_view>

namespace solvanta {

enum class CoordinateForm { Dms, Degrees, Pl2000, Pl1992, Geocentric };

// The forms by their command-line names: dms, deg, pl2000, pl1992, xyz.
bool ParseCoordinateForm(std::string_view name, CoordinateForm& form);
std::string_view CoordinateFormName(CoordinateForm form);
// The form as the window's list "WSPÓŁRZĘDNE PUNKTÓW" shows it (UTF-8).
std::string_view CoordinateFormTitle(CoordinateForm form);

// How many fields the coordinates take in a record: 6 (B d m s, L d m s), 2 (B L, or x y), 3 (X Y Z).
int CoordinateFieldCount(CoordinateForm form);

// A position read from its fields: B and L in arc-seconds; for X Y Z also the ellipsoidal height.
struct PlanePosition {
  long double bSeconds = 0;
  long double lSeconds = 0;
  long double ellipsoidalHeight = 0;  // Geocentric only
};

enum class CoordinateRead {
  Read,         // a position
  NotANumber,   // a field is not a number of its form: a bad record
  NoZone,       // PL-2000: y has no zone digit 5 to 8 (seven digits before the point)
  OutsideZone,  // PL-2000: the point lies beyond its zone's strip (1.5 degrees either side)
  Unusable,     // X Y Z far from the Earth's surface, a plane coordinate far beyond the system
};

// Reads the CoordinateFieldCount(form) fields of `fields` (not Dms: that form is read by
// orvane::ParseDmsFields). Never hangs or fails on any number, NaN and infinities included.
CoordinateRead ReadCoordinates(CoordinateForm form, const std::string_view* fields, PlanePosition& position);

// The message that ends the line of a point whose coordinates do not fit the form (UTF-8, with
// its leading blank), naming the field: for NoZone, OutsideZone and Unusable.
std::string CoordinateMisfitText(CoordinateForm form, CoordinateRead read, const std::string_view* fields);

// The other way, for tests and tools: B and L in degrees to x and y (north, east) of PL-1992 or
// of PL-2000 `zone` (5 to 8); and to geocentric X Y Z with the ellipsoidal height h.
void ToPl2000(double latitude, double longitude, int zone, double& x, double& y);
void ToPl1992(double latitude, double longitude, double& x, double& y);
void ToGeocentric(double latitude, double longitude, double h, double& X, double& Y, double& Z);

}  // namespace solvanta
