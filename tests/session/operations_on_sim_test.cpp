// The session's operations with its real port against scale-sim on a
// pseudo-terminal: the frames the controller receives, the waits, the boxes
// and the log lines.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

class OnSim : public ::testing::Test {
 protected:
  // Opens the port on a new simulator and waits for the parameter report;
  // returns the number of frames received so far.
  size_t Start(const std::vector<std::string>& options = {}) {
    sim = std::make_unique<e2e::SimProcess>(options);
    session.setRemembersPort(false);
    EXPECT_EQ(session.openPort(sim->PortPath(), 115200), 1);
    EXPECT_TRUE(host.runFor(5000, [&] { return !listener.reports.empty(); }));
    host.operationLog.clear();
    return sim->ReceivedFrames().size();
  }
  std::vector<std::string> FramesSince(size_t mark) const {
    const std::vector<std::string> all = sim->ReceivedFrames();
    return {all.begin() + static_cast<long>(mark), all.end()};
  }
  void Set(const std::string& line) { ASSERT_EQ(sim->Command(line), "ok"); }

  ScriptedHost host;
  RecordingListener listener;
  ScaleSession session{host, listener};
  std::unique_ptr<e2e::SimProcess> sim;
};

}  // namespace

TEST_F(OnSim, OpeningSetsTheClockAndAsksForTheParameters) {
  Start({"--range", "750"});
  EXPECT_THAT(host.waits, ElementsAre(100u, 100u));
  const std::vector<std::string> frames = sim->ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].substr(0, 8), "AA 01 F7");
  EXPECT_EQ(frames[1], "AA 01 F6 00 00 00 00 A2");
  EXPECT_EQ(session.weighing().rangeKg, 750);
  EXPECT_THAT(listener.statuses, ::testing::Contains("打开串口成功"));
  EXPECT_THAT(listener.connections, ElementsAre(true));
}

TEST_F(OnSim, CalibrationLogFromASilentControllerWaitsForEveryRecord) {
  Start({"--records", "32", "--rate", "0"});
  EXPECT_TRUE(session.readCalibrationLog());
  EXPECT_EQ(session.calibrationLog().size(), 32u);
  Set("silent on");
  const size_t mark = sim->ReceivedFrames().size();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(session.readCalibrationLog());
  EXPECT_GE(std::chrono::steady_clock::now() - started, 32 * 200ms);
  EXPECT_TRUE(session.calibrationLog().empty());
  EXPECT_TRUE(sim->WaitForLog("RX AA 01 F8 20", 5s));
  EXPECT_EQ(FramesSince(mark).size(), 32u);
}

// When the program begins to end, a running query stops at its next wait.
TEST_F(OnSim, EndingStopsTheCalibrationLogQuery) {
  Start({"--records", "32", "--rate", "0"});
  Set("silent on");
  const size_t mark = sim->ReceivedFrames().size();
  host.post([&] { host.loop.stop(); });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(session.readCalibrationLog());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(FramesSince(mark).size(), 1u);
}
