#pragma once
// The number forms of the result files and of the MONITOR lines.
#include <string>
#include <string_view>

namespace orvane {

// w:d — fixed notation, `decimals` decimals, rounded to the nearest, right-aligned in `width`
// characters (a wider value widens the field). A negative value that rounds to zero keeps its sign.
std::string FixedField(double value, int width, int decimals);

// The 23-character scientific form of a real written without a format: a blank or "-", one digit,
// ".", 14 digits, "E", the exponent's sign and 4 digits (1.5 -> " 1.50000000000000E+0000").
std::string Scientific23(double value);

// An integer right-aligned in `width` characters; width 0 gives its minimal width.
std::string IntegerField(long long value, int width = 0);

// Text right-aligned in `width` characters; a longer text is kept whole.
std::string RightAligned(std::string_view text, int width);

// The short form of the MONITOR lines: at most 15 significant digits, no trailing zeros, "." as
// the decimal point, exponent form only below 0.00001 or with more than 15 integer digits.
std::string ShortNumber(double value);

// trunc(value * 100000) * 0.00001: a value truncated toward zero to 5 decimals.
double TruncateTo5Decimals(double value);

// Appending forms for loops over long lists: the same bytes as FixedField, IntegerField and
// RightAligned, written onto the end of `out` without allocating once its capacity suffices.
// AppendFixedField rounds the exact binary value (an extended real too) as printf's "%.*Lf" does.
void AppendFixedField(std::string& out, long double value, int width, int decimals);
// The same bytes as AppendFixedField for a `value` that ParseNumber read from `text`; when the
// text already is that form (an optional "-", no superfluous leading zero, exactly `decimals`
// decimals, at most 18 digits, not a negative zero) it is copied instead of formatted.
void AppendFixedFieldOf(std::string& out, std::string_view text, long double value, int width, int decimals);
void AppendIntegerField(std::string& out, long long value, int width = 0);
void AppendRightAligned(std::string& out, std::string_view text, int width);

}  // namespace orvane
