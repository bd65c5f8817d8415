#include "protocol/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

TEST(DateTime, KnownDayNumbers)
{
    EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDateTime(1970, 1, 1), 25569.0);
    EXPECT_EQ(EncodeDateTime(2018, 1, 1), kDeviceEpoch);
    EXPECT_EQ(EncodeDateTime(2000, 2, 29, 12), 36585.5);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25); // counts back, fraction forward
    EXPECT_EQ(EncodeDateTime(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDateTime(9999, 12, 31), 2958465.0);
}

TEST(DateTime, EncodeDecodeRoundTrip)
{
    const DateTimeParts cases[] = {
        {2018, 1, 1, 0, 0, 0, 0},        {2026, 12, 10, 23, 59, 59, 999},
        {2024, 2, 29, 12, 34, 56, 789},  {1900, 3, 1, 0, 0, 1, 1},
        {1899, 12, 29, 6, 0, 0, 500},    {1, 1, 1, 0, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999},
    };
    for (const DateTimeParts& p : cases) {
        SCOPED_TRACE(p.year);
        EXPECT_EQ(DecodeDateTime(EncodeDateTime(p)), p);
    }
    // Every millisecond of a second survives the trip (no 0.499 for 0.5).
    for (int ms = 0; ms < 1000; ++ms)
        ASSERT_EQ(DecodeDateTime(EncodeDateTime(2021, 6, 15, 13, 45, 7, ms)).millisecond, ms);
}

TEST(DateTime, DecodeJustBelowMidnightIsNextDay)
{
    const DateTime almost = EncodeDateTime(2020, 12, 31) + (1.0 - 1e-10);
    EXPECT_EQ(DecodeDateTime(almost), (DateTimeParts{2021, 1, 1, 0, 0, 0, 0}));
}

TEST(DateTime, InvalidPartsAndValuesThrow)
{
    EXPECT_THROW(EncodeDateTime(2023, 2, 29), ConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 4, 31), ConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 13, 1), ConvertError);
    EXPECT_THROW(EncodeDateTime(0, 1, 1), ConvertError);
    EXPECT_THROW(EncodeDateTime(10000, 1, 1), ConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 1, 1, 24), ConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 1, 1, 0, 60), ConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 1, 1, 0, 0, 0, 1000), ConvertError);

    EXPECT_THROW(DecodeDateTime(std::nan("")), ConvertError);
    EXPECT_THROW(DecodeDateTime(std::numeric_limits<double>::infinity()), ConvertError);
    EXPECT_THROW(DecodeDateTime(2958466.0), ConvertError);
    EXPECT_THROW(DecodeDateTime(-693594.5), ConvertError);
    EXPECT_THROW(FormatDateTime(kPatternDate, 1e300), ConvertError);
}

TEST(DateTime, Patterns)
{
    const DateTime t = EncodeDateTime(2026, 3, 7, 8, 5, 9, 42);
    EXPECT_EQ(FormatDateTime(kPatternDateTimeMs, t), "2026-03-07 08:05:09 042");
    EXPECT_EQ(FormatDateTime(kPatternDateTime, t), "2026-03-07 08:05:09");
    EXPECT_EQ(FormatDateTime(kPatternDate, t), "2026-03-07");
    EXPECT_EQ(FormatDateTime(kPatternTime, t), "08:05:09");
    EXPECT_EQ(FormatDateTime(kPatternTime, EncodeDateTime(2026, 3, 7, 23, 0, 0)), "23:00:00");
    EXPECT_EQ(FormatDateTime("YYYY", EncodeDateTime(987, 1, 1)), "0987");
    EXPECT_EQ(FormatDateTime("Time：hh!", t), "Time：08!"); // other bytes copied as they are
}

TEST(DateTime, ParseTheWrittenLayout)
{
    const DateTime t = EncodeDateTime(2026, 12, 10, 17, 30, 5);
    EXPECT_EQ(ParseDateTime("2026-12-10 17:30:05"), t);
    EXPECT_EQ(ParseDateTime(FormatDateTime(kPatternDateTime, t)), t);

    const char* bad[] = {"",
                         "2026-12-10",
                         "2026-12-10 17:30",
                         "2026-12-10 17:30:05 ",
                         "2026/12/10 17:30:05",
                         "2026-12-10T17:30:05",
                         "2026-13-10 17:30:05",
                         "2026-02-30 17:30:05",
                         "2026-12-10 24:00:00",
                         "2026-12-1a 17:30:05",
                         "+026-12-10 17:30:05"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(TryParseDateTime(text));
        EXPECT_THROW(ParseDateTime(text), ConvertError);
    }
    try {
        ParseDateTime("abc");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("'abc'"), std::string::npos);
    }
}

TEST(DateTime, CurrentDateTimeMatchesTheClock)
{
    const std::time_t before = std::time(nullptr);
    const DateTime now = CurrentDateTime();
    const std::time_t after = std::time(nullptr);
    const std::tm lo = *std::localtime(&before);
    const std::tm hi = *std::localtime(&after);
    const DateTime low = EncodeDateTime(lo.tm_year + 1900, lo.tm_mon + 1, lo.tm_mday, lo.tm_hour,
                                        lo.tm_min, lo.tm_sec);
    const DateTime high = EncodeDateTime(hi.tm_year + 1900, hi.tm_mon + 1, hi.tm_mday, hi.tm_hour,
                                         hi.tm_min, hi.tm_sec, 999);
    EXPECT_GE(now, low);
    EXPECT_LE(now, high);
}

TEST(DateTime, WholeUnitsBetween)
{
    const DateTime start = EncodeDateTime(2024, 5, 1, 10, 0, 0);
    EXPECT_EQ(WholeMinutesBetween(start, EncodeDateTime(2024, 5, 1, 10, 59, 59, 999)), 59);
    EXPECT_EQ(WholeMinutesBetween(start, EncodeDateTime(2024, 5, 1, 11, 0, 0)), 60);
    EXPECT_EQ(WholeMinutesBetween(EncodeDateTime(2024, 5, 1, 11, 0, 0), start), 60);
    EXPECT_EQ(WholeMinutesBetween(start, start), 0);
    // One second after the epoch: floating-point noise must not make it 0.
    EXPECT_EQ(WholeSecondsBetween(EncodeDateTime(2018, 1, 1, 0, 0, 1), kDeviceEpoch), 1);
    for (int s = 0; s < 86400; s += 7)
        ASSERT_EQ(WholeSecondsBetween(kDeviceEpoch + s / 86400.0, kDeviceEpoch), s);
    EXPECT_THROW(WholeMinutesBetween(std::nan(""), start), ConvertError);
}

TEST(ConvertDeviceTime, ToDevice)
{
    struct Case {
        DateTime dateTime;
        int32_t seconds;
    } cases[] = {
        {EncodeDateTime(2018, 1, 1), 0},
        {EncodeDateTime(2018, 1, 2), 86400},
        {EncodeDateTime(2017, 12, 31), 86400}, // before the epoch: the distance to it
        {EncodeDateTime(2018, 1, 1, 0, 0, 1, 999), 1},
        {EncodeDateTime(2026, 12, 10, 8, 30, 15), 282126615},
        {EncodeDateTime(2086, 1, 19, 3, 14, 7), 2147483647},
    };
    for (const Case& c : cases) {
        DateTime dt = c.dateTime;
        int32_t seconds = -7;
        EXPECT_EQ(ConvertDeviceTime(dt, seconds, true), 0);
        EXPECT_EQ(seconds, c.seconds);
        EXPECT_EQ(dt, c.dateTime);
    }
}

TEST(ConvertDeviceTime, FromDevice)
{
    const struct {
        int32_t seconds;
        const char* text;
    } cases[] = {
        {0, "2018-01-01 00:00:00"},          {86400, "2018-01-02 00:00:00"},
        {-1, "2017-12-31 23:59:59"},         {282126615, "2026-12-10 08:30:15"},
        {2147483647, "2086-01-19 03:14:07"}, {-2147483647 - 1, "1949-12-13 20:45:52"},
    };
    for (const auto& c : cases) {
        DateTime dt = 0;
        int32_t seconds = c.seconds;
        EXPECT_EQ(ConvertDeviceTime(dt, seconds, false), 0);
        EXPECT_EQ(FormatDateTime(kPatternDateTime, dt), c.text);
        EXPECT_EQ(seconds, c.seconds);
    }
}

TEST(ConvertDeviceTime, FailureLeavesOutputUnchanged)
{
    int32_t seconds = 123;
    DateTime beyond = EncodeDateTime(2086, 1, 19, 3, 14, 8); // 2^31 seconds
    EXPECT_EQ(ConvertDeviceTime(beyond, seconds, true), -49);
    EXPECT_EQ(seconds, 123);

    DateTime notANumber = std::nan("");
    EXPECT_EQ(ConvertDeviceTime(notANumber, seconds, true), -49);
    EXPECT_EQ(seconds, 123);
}
