#pragma once

// Numbers typed by the operator: "." is the decimal separator and blanks
// around the number are ignored. The throwing forms raise ConvertError
// with the message of the application's standard error box, in which the
// text appears as given.

#include "protocol/date_time.h" // ConvertError

#include <cstdint>
#include <optional>
#include <string_view>

// Decimal floating-point: sign, digits with an optional point, optional
// exponent ("9.7894", "-.5", "1E3"). No infinities, no not-a-number, no
// thousands separators; a value beyond the range of double is refused.
std::optional<double> TryParseFloat(std::string_view text);
// Throws ConvertError "'<text>' is not a valid floating point value".
double ParseFloat(std::string_view text);
double ParseFloatOr(std::string_view text, double fallback);

// Decimal signed 32-bit integer: optional sign and digits only.
std::optional<int32_t> TryParseInt(std::string_view text);
// Throws ConvertError "'<text>' is not a valid integer value".
int32_t ParseInt(std::string_view text);
int32_t ParseIntOr(std::string_view text, int32_t fallback);
