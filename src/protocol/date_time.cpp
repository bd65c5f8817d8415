#include "protocol/date_time.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Day number of 1970-01-01, to move between this form and civil-day arithmetic.
constexpr int64_t kUnixEpochDay = 25'569;
// 0001-01-01 and the day after 9999-12-31.
constexpr int64_t kFirstDay = -693'593;
constexpr int64_t kEndDay = 2'958'466;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146'097 + doe - 719'468;
}

void civilFromDays(int64_t z, DateTimeParts& out)
{
    z += 719'468;
    const int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const int64_t doe = z - era * 146'097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2));
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

void appendPadded(std::string& out, int value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    out += digits;
}

// Milliseconds in |a - b|; throws for differences no valid pair of dates has.
int64_t msBetween(DateTime a, DateTime b)
{
    const double diff = std::fabs(a - b);
    if (!(diff < 1e7))
        throw ConvertError("invalid date-time difference");
    return std::llround(diff * static_cast<double>(kMsPerDay));
}

} // namespace

DateTime EncodeDateTime(const DateTimeParts& p)
{
    const bool dateOk = p.year >= 1 && p.year <= 9999 && p.month >= 1 && p.month <= 12 &&
                        p.day >= 1 && p.day <= daysInMonth(p.year, p.month);
    const bool timeOk = p.hour >= 0 && p.hour < 24 && p.minute >= 0 && p.minute < 60 &&
                        p.second >= 0 && p.second < 60 && p.millisecond >= 0 &&
                        p.millisecond < 1000;
    if (!dateOk || !timeOk)
        throw ConvertError("invalid date or time");

    const double days = static_cast<double>(daysFromCivil(p.year, p.month, p.day) + kUnixEpochDay);
    const int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond;
    const double fraction = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond)
{
    return EncodeDateTime(DateTimeParts{year, month, day, hour, minute, second, millisecond});
}

DateTimeParts DecodeDateTime(DateTime value)
{
    if (!(value > static_cast<double>(kFirstDay) - 1 && value < static_cast<double>(kEndDay)))
        throw ConvertError("date-time out of range");

    const double whole = std::trunc(value);
    int64_t day = static_cast<int64_t>(whole);
    int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) { // a hair below midnight: it is the next day's 00:00
        ms -= kMsPerDay;
        ++day;
    }
    if (day < kFirstDay || day >= kEndDay)
        throw ConvertError("date-time out of range");

    DateTimeParts p;
    civilFromDays(day - kUnixEpochDay, p);
    p.millisecond = static_cast<int>(ms % 1000);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.minute = static_cast<int>(ms / 60'000 % 60);
    p.hour = static_cast<int>(ms / 3'600'000);
    return p;
}

DateTime CurrentDateTime()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
}

std::string FormatDateTime(std::string_view pattern, DateTime value)
{
    const DateTimeParts p = DecodeDateTime(value);
    struct Field {
        std::string_view token;
        int value;
    };
    const Field fields[] = {{"YYYY", p.year},      {"MM", p.month},  {"DD", p.day},
                            {"hh", p.hour},        {"nn", p.minute}, {"ss", p.second},
                            {"zzz", p.millisecond}};
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        bool matched = false;
        for (const Field& f : fields) {
            if (pattern.substr(i, f.token.size()) == f.token) {
                appendPadded(out, f.value, static_cast<int>(f.token.size()));
                i += f.token.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            out += pattern[i++];
    }
    return out;
}

std::optional<DateTime> TryParseDateTime(std::string_view text)
{
    constexpr std::string_view layout = "dddd-dd-dd dd:dd:dd";
    if (text.size() != layout.size())
        return std::nullopt;
    for (size_t i = 0; i < layout.size(); ++i) {
        const bool ok =
            layout[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == layout[i];
        if (!ok)
            return std::nullopt;
    }
    auto number = [&](size_t pos, size_t len) {
        int v = 0;
        for (size_t i = pos; i < pos + len; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    try {
        return EncodeDateTime(number(0, 4), number(5, 2), number(8, 2), number(11, 2),
                              number(14, 2), number(17, 2));
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

DateTime ParseDateTime(std::string_view text)
{
    if (auto value = TryParseDateTime(text))
        return *value;
    throw ConvertError("'" + std::string(text) + "' is not a valid date and time");
}

int64_t WholeSecondsBetween(DateTime a, DateTime b) { return msBetween(a, b) / 1000; }

int64_t WholeMinutesBetween(DateTime a, DateTime b) { return msBetween(a, b) / 60'000; }

int ConvertDeviceTime(DateTime& dateTime, int32_t& seconds, bool toDevice)
{
    try {
        if (toDevice) {
            const int64_t s = WholeSecondsBetween(dateTime, kDeviceEpoch);
            if (s > std::numeric_limits<int32_t>::max())
                return kDevTimeConvertError;
            seconds = static_cast<int32_t>(s);
        } else {
            dateTime = kDeviceEpoch + static_cast<double>(seconds) / 86'400.0;
        }
        return kDevTimeConvertOK;
    } catch (const ConvertError&) {
        return kDevTimeConvertError;
    }
}
