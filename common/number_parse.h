#pragma once
// Conversion of a text field to a number: decimal with "." as the decimal point, an optional sign
// and an optional exponent, whatever the locale. Anything else is a bad number: empty text, a
// decimal comma, hexadecimal, "inf", "nan", or a value that overflows to infinity (1e999).
#include <initializer_list>
#include <string_view>

namespace orvane {

bool ParseNumber(std::string_view field, double& value);
bool ParseNumber(std::string_view field, long double& value);
// An optional sign and decimal digits only, within the range of a 32-bit integer.
bool ParseInteger(std::string_view field, int& value);

// True when one of the real-number fields `fields` (1-based positions, as SplitFields counts them)
// of `line` has no decimal point and is joined by a single comma to a following field of digits
// only: "212,4528" is read as the two fields 212 and 4528, though the user most likely meant a
// decimal comma. The reader goes on with the values as read; the user is to be warned.
bool HasDecimalComma(std::string_view line, std::initializer_list<int> fields);

}  // namespace orvane
