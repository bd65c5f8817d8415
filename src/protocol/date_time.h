#pragma once

// Day-based local date-times: whole days since 1899-12-30 plus the fraction
// of the day, no time zone. This is the form the controller's clock, the
// calibration-log records and the drift monitor work with.
//
// Days before 1899-12-30 follow the classic convention of this format: the
// integer part counts back, the fraction still counts forward from midnight
// (-1.25 is 1899-12-29 06:00).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

using DateTime = double;

// Raised for a date-time that cannot be encoded, decoded or parsed.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const DateTimeParts&) const = default;
};

// Years 1 to 9999 of the proleptic Gregorian calendar; throws ConvertError
// for anything outside (month 13, 31 April, hour 24 ...).
DateTime EncodeDateTime(const DateTimeParts& parts);
DateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                        int millisecond = 0);

// Rounds to the millisecond first, so 0.5 s never decodes as 0.499 s and a
// value a hair below midnight decodes as the next day's 00:00:00.000.
// Throws ConvertError outside years 1 to 9999 (and for NaN or infinity).
DateTimeParts DecodeDateTime(DateTime value);

// The workstation's current local time, to the millisecond.
DateTime CurrentDateTime();

// Patterns used by the tool.
inline constexpr std::string_view kPatternDateTimeMs = "YYYY-MM-DD hh:nn:ss zzz";
inline constexpr std::string_view kPatternDateTime = "YYYY-MM-DD hh:nn:ss";
inline constexpr std::string_view kPatternDate = "YYYY-MM-DD";
inline constexpr std::string_view kPatternTime = "hh:nn:ss";

// Replaces YYYY, MM, DD, hh (00-23), nn, ss and zzz in `pattern` with the
// zero-padded fields of `value`; every other character is copied.
std::string FormatDateTime(std::string_view pattern, DateTime value);

// Reads exactly the "YYYY-MM-DD hh:nn:ss" layout (the layout the tool
// writes); nullopt for anything else, including impossible dates.
std::optional<DateTime> TryParseDateTime(std::string_view text);
// The same, throwing ConvertError with the offending text in the message.
DateTime ParseDateTime(std::string_view text);

// Whole seconds / whole minutes in the absolute difference between two
// date-times, truncated toward zero after rounding to the millisecond (so
// floating-point noise never costs a whole unit).
int64_t WholeSecondsBetween(DateTime a, DateTime b);
int64_t WholeMinutesBetween(DateTime a, DateTime b);

// The controller's clock counts signed 32-bit seconds since this moment,
// 2018-01-01 00:00:00 local time.
inline constexpr DateTime kDeviceEpoch = 43101.0;

inline constexpr int kDevTimeConvertOK = 0;
inline constexpr int kDevTimeConvertError = -49;

// toDevice true: seconds := whole seconds between the epoch and dateTime
// (a date-time before the epoch gives the positive distance to it).
// toDevice false: dateTime := epoch + seconds.
// Returns 0, or -49 when the conversion fails (the result does not fit in
// 32 bits, or dateTime is not a number); the output is then unchanged.
int ConvertDeviceTime(DateTime& dateTime, int32_t& seconds, bool toDevice);
