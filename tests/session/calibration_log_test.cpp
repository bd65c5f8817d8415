// The calibration-log query against scale-sim: 32 records asked one by one,
// each awaited up to 200 ms.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using namespace std::chrono_literals;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// A prompt controller ends every wait as its record arrives. The records
// are listed in request order, numbered as the controller numbers them.
TEST_F(OnSim, CalibrationLogFromAPromptController)
{
    const size_t mark = Start({"--records", "32", "--rate", "0"});
    EXPECT_TRUE(session.readCalibrationLog());
    EXPECT_THAT(host.waits, Each(200u));
    EXPECT_THAT(host.waitsAnswered, ElementsAreArray(std::vector<bool>(32, true)));
    ASSERT_EQ(session.calibrationLog().size(), 32u);
    EXPECT_EQ(listener.records, session.calibrationLog());
    SyncWithSim(); // the simulator's log of what it received is complete
    const std::vector<std::string> frames = FramesSince(mark);
    ASSERT_EQ(frames.size(), 32u);
    for (int i = 1; i <= 32; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(session.calibrationLog()[static_cast<size_t>(i - 1)].number, i);
        char request[32];
        std::snprintf(request, sizeof request, "AA 01 F8 %02X 00 00 00", i);
        EXPECT_EQ(frames[static_cast<size_t>(i - 1)].substr(0, 20), request);
    }
    EXPECT_THAT(host.boxes, IsEmpty());
}

// A second query empties the list first: a silent controller then leaves it
// empty, after the 32 waits have run out.
TEST_F(OnSim, CalibrationLogFromASilentControllerWaitsForEveryRecord)
{
    Start({"--records", "32", "--rate", "0"});
    EXPECT_TRUE(session.readCalibrationLog());
    EXPECT_EQ(session.calibrationLog().size(), 32u);
    Set("silent on");
    const size_t mark = Mark();
    host.waitsAnswered.clear();
    EXPECT_TRUE(session.readCalibrationLog());
    // Every wait ran out: none was answered.
    EXPECT_THAT(host.waitsAnswered, ElementsAreArray(std::vector<bool>(32, false)));
    EXPECT_TRUE(session.calibrationLog().empty());
    EXPECT_TRUE(sim->WaitForLog("RX AA 01 F8 20", 5s));
    EXPECT_EQ(FramesSince(mark).size(), 32u);
}

// When the program begins to end, a running query stops at its next wait.
TEST_F(OnSim, EndingStopsTheCalibrationLogQuery)
{
    Start({"--records", "32", "--rate", "0"});
    Set("silent on");
    const size_t mark = Mark();
    host.post([&] { host.loop.stop(); });
    EXPECT_FALSE(session.readCalibrationLog());
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), ElementsAre("AA 01 F8 01 00 00 00 A5"));
}

// The records carry other numbers where a measurement has its AD value:
// with sampling on and a constant load streaming all along, the query
// raises no drift alarm.
TEST_F(OnSim, CalibrationLogQueryRaisesNoDriftAlarm)
{
    Start({"--records", "32", "--load", "2", "--rate", "20"});
    session.toggleSampling();
    ASSERT_TRUE(RunUntil([&] { return !session.driftMonitor().baseFromNextReading; }));
    EXPECT_EQ(session.driftMonitor().baseAD, 28000);
    EXPECT_TRUE(session.readCalibrationLog());
    EXPECT_EQ(session.calibrationLog().size(), 32u);
    const size_t readings = listener.readings.size();
    ASSERT_TRUE(RunUntil([&] { return listener.readings.size() > readings; }));
    EXPECT_EQ(session.driftMonitor().liveAD, 28000);
    EXPECT_EQ(session.driftMonitor().differenceAD, 0);
    EXPECT_FALSE(session.driftMonitor().alarmAt);
    for (const DriftMonitor& reported : listener.drifts)
        EXPECT_FALSE(reported.alarmAt);
}
