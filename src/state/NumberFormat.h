// Fixed-point rendering of numbers in window fields and the report.
#pragma once

#include <string>

namespace kestrane {

// round(x, d): x times 10^d, rounded to the nearest integer with ties to
// even, divided by 10^d, all in double. A single-precision value is widened
// to double by the caller's argument conversion.
double roundHalfEven(double x, int decimals);

// format(v, pattern) for a pattern "0.0...0" with d decimals: C's "%.{d}f",
// except that a text whose digits are all zero carries no minus sign.
// A non-finite v is a fault of the computation, never printed.
std::string formatFixed(double v, int decimals);

// The shortest text that reads back as the same double (std::to_chars), or
// as the same single-precision value for a float.
std::string shortestText(double value);
std::string shortestText(float value);

// Decimal digits of an integer, no blanks, no leading zeros.
std::string integerText(long value);

}  // namespace kestrane
