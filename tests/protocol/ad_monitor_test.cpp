#include "protocol/ad_monitor.h"

#include <gtest/gtest.h>

namespace {

ReplyFrame withAD(int32_t ad, uint8_t code = 0x10)
{
    uint8_t payload[16] = {};
    WriteU32LE(payload + 4, static_cast<uint32_t>(ad));
    return BuildReplyFrame(code, payload);
}

// The texts right after the sampling start at 10:00:00.
TADMonitorTexts justStarted()
{
    TADMonitorTexts t;
    t.edtBaseADTag = 1;
    t.edtStartDt = "2026-12-10 10:00:00";
    return t;
}

// Sampling started at 10:00:00 and the base is already taken.
TADMonitorTexts runningWithBase(const char* base)
{
    TADMonitorTexts t = justStarted();
    t.edtBaseAD = base;
    t.edtBaseADTag = 0;
    return t;
}

TDateTime at(int hour, int minute, int second, int ms = 0)
{
    return EncodeDateTime(2026, 12, 10, hour, minute, second, ms);
}

} // namespace

TEST(ADMonitor, FirstReplyAfterStartBecomesTheBase)
{
    TADMonitorTexts t = justStarted();
    ComputeADMonitor(withAD(1000), t, at(10, 0, 1));
    EXPECT_EQ(t.edtNowAD, "1000");
    EXPECT_EQ(t.edtBaseAD, "1000");
    EXPECT_EQ(t.edtBaseADTag, 0);
    EXPECT_EQ(t.edtDiffAD, "0");
    EXPECT_EQ(t.edtDiffValue, "0");
    EXPECT_EQ(t.edtErrorDt, "");
    EXPECT_EQ(t.edtErrorCount, "");
    EXPECT_EQ(t.edtRunCount, "0");

    // Later replies keep that base.
    ComputeADMonitor(withAD(1010), t, at(10, 2, 30));
    EXPECT_EQ(t.edtBaseAD, "1000");
    EXPECT_EQ(t.edtDiffAD, "10");
    EXPECT_EQ(t.edtDiffValue, "0.7");
    EXPECT_EQ(t.edtRunCount, "2");
}

TEST(ADMonitor, DriftAndAlarmThreshold)
{
    struct Case {
        int32_t ad;
        const char* diff;
        const char* drift;
        bool alarm;
    };
    const Case cases[] = {
        {1115, "115", "8.05", true},
        {1114, "114", "7.98", false},
        {885, "-115", "-8.05", true},
        {886, "-114", "-7.98", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ad);
        TADMonitorTexts t = runningWithBase("1000");
        ComputeADMonitor(withAD(c.ad), t, at(10, 7, 59, 999));
        EXPECT_EQ(t.edtDiffAD, c.diff);
        EXPECT_EQ(t.edtDiffValue, c.drift);
        EXPECT_EQ(t.edtErrorDt, c.alarm ? "2026-12-10 10:07:59" : "");
        EXPECT_EQ(t.edtErrorCount, c.alarm ? "7" : "");
        EXPECT_EQ(t.edtRunCount, "7");
    }
}

TEST(ADMonitor, AlarmFiresOncePerRun)
{
    TADMonitorTexts t = runningWithBase("1000");
    ComputeADMonitor(withAD(1200), t, at(10, 3, 0));
    EXPECT_EQ(t.edtErrorDt, "2026-12-10 10:03:00");
    EXPECT_EQ(t.edtErrorCount, "3");

    ComputeADMonitor(withAD(1300), t, at(10, 45, 0)); // further alarms change nothing
    EXPECT_EQ(t.edtErrorDt, "2026-12-10 10:03:00");
    EXPECT_EQ(t.edtErrorCount, "3");
    EXPECT_EQ(t.edtRunCount, "45"); // but the running time goes on

    t.edtErrorDt.clear(); // the next sampling start re-arms it
    ComputeADMonitor(withAD(1300), t, at(11, 0, 0));
    EXPECT_EQ(t.edtErrorDt, "2026-12-10 11:00:00");
    EXPECT_EQ(t.edtErrorCount, "60");
}

TEST(ADMonitor, WholeMinutesAcrossMidnightAndExactBoundaries)
{
    TADMonitorTexts t = justStarted();
    t.edtStartDt = "2026-12-10 23:58:30";
    ComputeADMonitor(withAD(0), t, EncodeDateTime(2026, 12, 11, 0, 3, 29, 999));
    EXPECT_EQ(t.edtRunCount, "4");
    ComputeADMonitor(withAD(0), t, EncodeDateTime(2026, 12, 11, 0, 3, 30));
    EXPECT_EQ(t.edtRunCount, "5"); // exactly five minutes is never 4.999...

    // A clock set back before the start: the distance counts, not its sign.
    ComputeADMonitor(withAD(0), t, EncodeDateTime(2026, 12, 10, 23, 48, 30));
    EXPECT_EQ(t.edtRunCount, "10");
}

TEST(ADMonitor, AnyReplyCodeFeedsTheMonitor)
{
    TADMonitorTexts t = runningWithBase("1000");
    ComputeADMonitor(withAD(1115, 0x00), t, at(10, 1, 0)); // an acknowledgement
    EXPECT_EQ(t.edtNowAD, "1115");
    EXPECT_EQ(t.edtDiffValue, "8.05");
}

TEST(ADMonitor, BaseTextThatIsNoIntegerCountsAsZero)
{
    for (const char* text : {"", "abc", "12x", " 5", "99999999999"}) {
        SCOPED_TRACE(text);
        TADMonitorTexts t = runningWithBase(text);
        ComputeADMonitor(withAD(100), t, at(10, 0, 0));
        EXPECT_EQ(t.edtBaseAD, text);
        EXPECT_EQ(t.edtDiffAD, "100");
        EXPECT_EQ(t.edtDiffValue, "7");
    }
}

TEST(ADMonitor, DifferenceWrapsIn32Bits)
{
    TADMonitorTexts t = runningWithBase("-2147483648");
    ComputeADMonitor(withAD(2147483647), t, at(10, 0, 0));
    EXPECT_EQ(t.edtDiffAD, "-1");
    EXPECT_EQ(t.edtDiffValue, "-0.07");
    EXPECT_EQ(t.edtErrorDt, "");
}

TEST(ADMonitor, UnparseableStartTimeRaisesAfterTheEarlierFields)
{
    for (const char* start : {"", "2026-12-10", "2026-02-30 10:00:00", "2026/12/10 10:00:00"}) {
        SCOPED_TRACE(start);
        TADMonitorTexts t = justStarted();
        t.edtStartDt = start;
        t.edtRunCount = "old";
        EXPECT_THROW(ComputeADMonitor(withAD(1200), t, at(10, 0, 0)), EConvertError);
        EXPECT_EQ(t.edtNowAD, "1200");
        EXPECT_EQ(t.edtBaseAD, "1200");
        EXPECT_EQ(t.edtDiffValue, "0");
        EXPECT_EQ(t.edtRunCount, "old");
        EXPECT_EQ(t.edtErrorDt, "");
    }
    // The message names the text, for the error log.
    TADMonitorTexts t = justStarted();
    t.edtStartDt = "abc";
    try {
        ComputeADMonitor(withAD(0), t, at(10, 0, 0));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("'abc'"), std::string::npos);
    }
}
