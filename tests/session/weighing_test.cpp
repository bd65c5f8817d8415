// The weighing actions against scale-sim: zero and shift-zero, tare, base
// value and the drift monitor's sampling switch. Loads are whole
// multiples of the simulator's AD steps, so the readings are exact.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "protocol/date_time.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(OnSim, ZeroAndShiftZeroSendTheirCommands)
{
    const size_t mark = Start({"--load", "0", "--rate", "0"});
    session.zero();
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 04 00 00 00 00 B0", 5s));
    EXPECT_TRUE(RunUntil([&] { return !host.boxes.empty(); }));
    EXPECT_THAT(host.boxTexts(), ElementsAre("手动置零成功！"));
    session.shiftZero();
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 05 00 00 00 00 B1", 5s));
    EXPECT_THAT(FramesSince(mark),
                ElementsAre("AA 01 04 00 00 00 00 B0", "AA 01 05 00 00 00 00 B1"));
    EXPECT_THAT(host.waits, IsEmpty());
}

// Each tare adds the weight shown now, so the same load then shows 0.000;
// the tare lives in the tool only. A zero reply clears it without telling.
TEST_F(OnSim, TareAddsTheDisplayedNetWeight)
{
    const size_t mark = Start({"--load", "1.25", "--rate", "0"});
    EXPECT_DOUBLE_EQ(Measure().displayed, 1.25);
    session.tare();
    EXPECT_THAT(listener.tares, ElementsAre(1.25));
    EXPECT_DOUBLE_EQ(Measure().displayed, 0.0);
    session.tare();
    EXPECT_THAT(listener.tares, ElementsAre(1.25, 1.25));
    EXPECT_DOUBLE_EQ(session.weighing().tare, 1.25);
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), IsEmpty());

    Set("load 0");
    session.zero();
    EXPECT_TRUE(RunUntil([&] { return !host.boxes.empty(); }));
    EXPECT_THAT(host.boxTexts(), ElementsAre("手动置零成功！"));
    EXPECT_DOUBLE_EQ(session.weighing().tare, 0.0);
    EXPECT_THAT(listener.tares, ElementsAre(1.25, 1.25));
}

// Tare and base value need the weight on the scale now: before the first
// reading, once the port is closed, and once readings stopped coming (2 s,
// or three of the stream's intervals) both are refused with the reason.
TEST(Weighing, TareAndBaseValueBeforeAnyMeasurementAreRefused)
{
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session(host, listener);
    EXPECT_FALSE(session.weightIsLive());
    session.tare();
    session.takeBaseValue();
    EXPECT_THAT(host.boxTexts(),
                ElementsAre("没有实时重量，不能去皮！", "没有实时重量，不能取基数值！"));
    EXPECT_THAT(listener.tares, IsEmpty());
    EXPECT_THAT(listener.baseValues, IsEmpty());
}

TEST_F(OnSim, TareAndBaseValueAreRefusedOnceTheWeightIsNotLive)
{
    Start({"--load", "1.25", "--rate", "0"});
    Measure();
    EXPECT_TRUE(session.weightIsLive());
    // No more readings: the weight shown ages, and is no longer the scale's.
    EXPECT_TRUE(support::WaitUntil([&] { return !session.weightIsLive(); }, 30s));
    session.tare();
    EXPECT_THAT(host.boxTexts(), ElementsAre("没有实时重量，不能去皮！"));
    Measure();
    EXPECT_TRUE(session.weightIsLive());
    session.tare();
    EXPECT_THAT(listener.tares, ElementsAre(1.25));

    session.closePort();
    EXPECT_FALSE(session.weightIsLive());
    session.takeBaseValue();
    EXPECT_THAT(host.boxTexts(),
                ElementsAre("没有实时重量，不能去皮！", "没有实时重量，不能取基数值！"));
    EXPECT_THAT(listener.baseValues, IsEmpty());
}

// The raw weight of the last reading becomes the base value, which later
// readings subtract from the real and the displayed weight.
TEST_F(OnSim, BaseValueIsTakenFromTheRawWeight)
{
    const size_t mark = Start({"--load", "1.5", "--rate", "0"});
    EXPECT_DOUBLE_EQ(Measure().rawWeight, 1.5);
    session.takeBaseValue();
    EXPECT_THAT(listener.baseValues, ElementsAre(1.5));
    Set("load 2");
    WeightReading reading = Measure();
    EXPECT_DOUBLE_EQ(reading.rawWeight, 2.0);
    EXPECT_DOUBLE_EQ(reading.realWeight, 0.5);
    EXPECT_DOUBLE_EQ(reading.displayed, 0.5);
    session.clearBaseValue();
    EXPECT_THAT(listener.baseValues, ElementsAre(1.5, 0.0));
    reading = Measure();
    EXPECT_DOUBLE_EQ(reading.realWeight, 2.0);
    EXPECT_DOUBLE_EQ(reading.displayed, 2.0);
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), IsEmpty());
}

// Starting takes the next reading's live AD as the base (14000 counts per
// kg) and re-arms the alarm; stopping leaves the values as they were.
TEST_F(OnSim, SamplingSwitchReArmsTheDriftMonitor)
{
    Start({"--load", "2", "--rate", "0"});
    EXPECT_FALSE(session.sampling());
    EXPECT_TRUE(session.toggleSampling());
    ASSERT_EQ(listener.drifts.size(), 1u);
    ASSERT_TRUE(listener.drifts[0].startedAt);
    EXPECT_EQ(DecodeDateTime(*listener.drifts[0].startedAt).millisecond, 0);
    EXPECT_LE(WholeSecondsBetween(*listener.drifts[0].startedAt, CurrentDateTime()), 1);
    Measure();
    EXPECT_EQ(session.driftMonitor().baseAD, 28000);
    Set("load 3");
    Measure();
    EXPECT_EQ(session.driftMonitor().differenceAD, 14000);
    EXPECT_TRUE(session.driftMonitor().alarmAt);

    EXPECT_FALSE(session.toggleSampling());
    Set("load 2.5");
    Measure();
    EXPECT_EQ(session.driftMonitor().liveAD, 42000); // not sampling: not fed
    EXPECT_EQ(listener.drifts.size(), 3u);

    EXPECT_TRUE(session.toggleSampling());
    EXPECT_FALSE(session.driftMonitor().alarmAt);
    Measure();
    EXPECT_EQ(session.driftMonitor().baseAD, 35000);
    EXPECT_EQ(session.driftMonitor().differenceAD, 0);
    EXPECT_FALSE(session.driftMonitor().alarmAt);
}
