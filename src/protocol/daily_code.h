#pragma once

// The day's code that opens the controller's calibration switch. It is
// derived from the local date alone, so whoever issues codes to operators
// computes the same code with tools/dailycode.

#include "protocol/date_time.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Reads the text as hexadecimal, position by position from the right
// (ASCII letters in either case). A character that is no hex digit adds
// nothing but keeps its place ("1G" is 16, "G1" is 1); the result wraps
// modulo 2^32, so only the last eight places count.
int32_t HexTextToInt(std::string_view text);

// Bytes 5, 6 and 7 of the block the code is computed from.
inline constexpr std::array<uint8_t, 3> kDailyCodeFixedBytes{0x53, 0x43, 0x4C};

// The code of the calendar day of `date`: the CRC-16 of the block
// day, year[0..1], year[2..3], month, day, 0x53, 0x43, 0x4C, where every
// date byte is its decimal digits read as hex; written in decimal (1 to 5
// digits). Throws ConvertError for a date-time outside years 1 to 9999.
std::string DailyCode(DateTime date);

// Today's code, from the workstation's local date.
std::string DailyCode();
