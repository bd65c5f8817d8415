#include "protocol/drift_monitor.h"

#include <gtest/gtest.h>

namespace {

DateTime at(int hour, int minute, int second, int ms = 0)
{
    return EncodeDateTime(2026, 12, 10, hour, minute, second, ms);
}

// Sampling started at 10:00:00 and the base is already taken.
DriftMonitor runningWithBase(int32_t base)
{
    DriftMonitor m;
    m.start(at(10, 0, 0));
    m.update(base, at(10, 0, 0));
    return m;
}

} // namespace

TEST(DriftMonitor, FirstReadingAfterStartBecomesTheBase)
{
    DriftMonitor m;
    m.start(at(10, 0, 0, 750));
    EXPECT_EQ(FormatDateTime(kPatternDateTimeMs, *m.startedAt), "2026-12-10 10:00:00 000");
    m.update(1000, at(10, 0, 1));
    EXPECT_EQ(m.liveAD, 1000);
    EXPECT_EQ(m.baseAD, 1000);
    EXPECT_FALSE(m.baseFromNextReading);
    EXPECT_EQ(m.differenceAD, 0);
    EXPECT_EQ(m.drift, 0.0);
    EXPECT_FALSE(m.alarmAt);
    EXPECT_FALSE(m.alarmMinutes);
    EXPECT_EQ(m.runMinutes, 0);

    // Later readings keep that base.
    m.update(1010, at(10, 2, 30));
    EXPECT_EQ(m.baseAD, 1000);
    EXPECT_EQ(m.differenceAD, 10);
    EXPECT_DOUBLE_EQ(m.drift, 0.7);
    EXPECT_EQ(m.runMinutes, 2);
}

TEST(DriftMonitor, DriftAndAlarmThreshold)
{
    struct Case {
        int32_t ad;
        int32_t difference;
        bool alarm;
    };
    const Case cases[] = {
        {1115, 115, true},  // 8.05
        {1114, 114, false}, // 7.98
        {885, -115, true},
        {886, -114, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ad);
        DriftMonitor m = runningWithBase(1000);
        m.update(c.ad, at(10, 7, 59, 999));
        EXPECT_EQ(m.differenceAD, c.difference);
        EXPECT_EQ(m.alarmAt.has_value(), c.alarm);
        if (c.alarm) {
            EXPECT_EQ(FormatDateTime(kPatternDateTime, *m.alarmAt), "2026-12-10 10:07:59");
            EXPECT_EQ(m.alarmMinutes, 7);
        }
        EXPECT_EQ(m.runMinutes, 7);
    }
}

TEST(DriftMonitor, AlarmFiresOncePerRunAndAStartReArmsIt)
{
    DriftMonitor m = runningWithBase(1000);
    m.update(1200, at(10, 3, 0));
    EXPECT_EQ(m.alarmAt, at(10, 3, 0));
    EXPECT_EQ(m.alarmMinutes, 3);

    m.update(1300, at(10, 45, 0)); // further alarms change nothing
    EXPECT_EQ(m.alarmAt, at(10, 3, 0));
    EXPECT_EQ(m.alarmMinutes, 3);
    EXPECT_EQ(m.runMinutes, 45); // but the running time goes on

    m.start(at(11, 0, 0));
    EXPECT_FALSE(m.alarmAt);
    EXPECT_EQ(m.alarmMinutes, 3); // shown until the next alarm
    m.update(1300, at(11, 0, 0)); // the new base
    m.update(1500, at(11, 2, 0));
    EXPECT_EQ(m.alarmAt, at(11, 2, 0));
    EXPECT_EQ(m.alarmMinutes, 2);
}

TEST(DriftMonitor, WholeMinutesAcrossMidnightAndExactBoundaries)
{
    DriftMonitor m;
    m.start(EncodeDateTime(2026, 12, 10, 23, 58, 30));
    m.update(0, EncodeDateTime(2026, 12, 11, 0, 3, 29, 999));
    EXPECT_EQ(m.runMinutes, 4);
    m.update(0, EncodeDateTime(2026, 12, 11, 0, 3, 30));
    EXPECT_EQ(m.runMinutes, 5); // exactly five minutes is never 4.999...

    // A clock set back before the start: the distance counts, not its sign.
    m.update(0, EncodeDateTime(2026, 12, 10, 23, 48, 30));
    EXPECT_EQ(m.runMinutes, 10);
}

TEST(DriftMonitor, DifferenceWrapsIn32Bits)
{
    DriftMonitor m = runningWithBase(INT32_MIN);
    m.update(INT32_MAX, at(10, 0, 0));
    EXPECT_EQ(m.differenceAD, -1);
    EXPECT_DOUBLE_EQ(m.drift, -0.07);
    EXPECT_FALSE(m.alarmAt);
}

// Readings without a start (the monitor was never started) count from the
// reading itself and never fail.
TEST(DriftMonitor, ReadingsWithoutAStartNeverFail)
{
    DriftMonitor m;
    m.update(200, at(10, 0, 0));
    EXPECT_EQ(m.differenceAD, 200);
    EXPECT_EQ(m.runMinutes, 0);
    EXPECT_EQ(m.alarmMinutes, 0);
}
