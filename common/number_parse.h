#pragma once
// Conversion of a text field to a number: decimal with "." as the decimal point, an optional sign
// and an optional exponent, whatever the locale. Anything else is a bad number: empty text, a
// decimal comma, hexadecimal, "inf", "nan", or a value that overflows to infinity (1e999).
#include <string_view>

namespace orvane {

bool ParseNumber(std::string_view field, double& value);
bool ParseNumber(std::string_view field, long double& value);
// An optional sign and decimal digits only, within the range of a 32-bit integer.
bool ParseInteger(std::string_view field, int& value);

}  // namespace orvane
