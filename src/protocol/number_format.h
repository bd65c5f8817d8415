#pragma once

// The three number forms of the displays and logs. The decimal separator is
// always "." and no thousands separators are written.
//
// Rounding: once, from the exact binary value of the double, half away from
// zero at the last kept digit. So 750 * 4039395 / 6306817, which is
// 480.36057649999992..., is written 480.360576, and 1/128 = 0.0078125 is
// written 0.007813. No form ever writes "-0".

#include <string>

// At least `minDecimals` and at most `maxDecimals` decimals; trailing zeros
// beyond `minDecimals` and a bare trailing "." are dropped.
std::string FormatFixed(double value, int minDecimals, int maxDecimals);

// The same through the exact decimal digits of the value in every case.
// FormatFixed takes a quicker route for the usual weights and must agree
// with this.
std::string FormatFixedByDecimalDigits(double value, int minDecimals, int maxDecimals);

// Format "0.######": 1.5 -> "1.5", 2.0 -> "2", -0.000123 -> "-0.000123".
inline std::string FormatUpToSixDecimals(double value) { return FormatFixed(value, 0, 6); }

// Format "0.000": 1.5 -> "1.500", -0.0004 -> "0.000".
inline std::string FormatThreeDecimals(double value) { return FormatFixed(value, 3, 3); }

// General form: up to 15 significant digits, no trailing zeros (9.79, 0.002,
// 8.05). Exponent form only outside 1E-4 <= |value| < 1E15, e.g. 1E-5 and
// 1.5E+15. Not-a-number and infinities are written NAN, INF and -INF.
std::string FormatGeneral(double value);
