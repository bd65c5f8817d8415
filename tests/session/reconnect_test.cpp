// A lost device: the session closes the port, says so once, waits without
// cost and reopens the same path by itself when the device returns,
// greeting the controller as at every open; "关闭" ends the waiting.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"

using namespace std::chrono_literals;

namespace {

class Reconnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        link = std::filesystem::temp_directory_path() /
               ("scale-reconnect-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        sim = std::make_unique<e2e::SimProcess>(
            std::vector<std::string>{"--link", link.string(), "--rate", "20"});
        session.setRemembersPort(false);
        ASSERT_EQ(session.openPort(link.string(), 115200), 1);
        ASSERT_TRUE(host.runFor(5000, [&] { return !listener.readings.empty(); }));
    }
    void TearDown() override { std::filesystem::remove(link); }

    // The simulator ends, as an adapter pulled out; the session notices.
    void LoseTheDevice()
    {
        sim->Stop();
        ASSERT_TRUE(host.runFor(1000, [&] { return session.waitingForDevice(); }));
    }

    std::filesystem::path link;
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
    std::unique_ptr<e2e::SimProcess> sim;
};

} // namespace

TEST_F(Reconnect, TheSameLinkComingBackIsReopenedAndTheControllerGreeted)
{
    LoseTheDevice();
    EXPECT_EQ(listener.lastStatus(), "串口已断开，正在等待重新连接…");
    EXPECT_FALSE(session.connected());
    EXPECT_THAT(listener.connections, ::testing::ElementsAre(true, false));
    EXPECT_THAT(listener.waits, ::testing::ElementsAre(true));
    // Reported once, however long it waits.
    host.runFor(1500);
    EXPECT_EQ(std::count(listener.statuses.begin(), listener.statuses.end(),
                         "串口已断开，正在等待重新连接…"),
              1);

    sim = std::make_unique<e2e::SimProcess>(
        std::vector<std::string>{"--link", link.string(), "--rate", "20"});
    const auto back = std::chrono::steady_clock::now();
    ASSERT_TRUE(host.runFor(3000, [&] { return session.connected(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - back, 2s);
    EXPECT_EQ(listener.lastStatus(), "串口已重新连接");
    EXPECT_THAT(listener.waits, ::testing::ElementsAre(true, false));
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    const std::vector<std::string> frames = sim->ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(0, 8), "AA 01 F7");
    const size_t readings = listener.readings.size();
    EXPECT_TRUE(host.runFor(2000, [&] { return listener.readings.size() > readings; }));
}

TEST_F(Reconnect, ClosingWhileWaitingStopsTheWaiting)
{
    LoseTheDevice();
    session.closePort();
    EXPECT_FALSE(session.waitingForDevice());
    EXPECT_EQ(listener.lastStatus(), "串口关闭！");
    EXPECT_THAT(listener.waits, ::testing::ElementsAre(true, false));
    sim = std::make_unique<e2e::SimProcess>(
        std::vector<std::string>{"--link", link.string(), "--rate", "20"});
    host.runFor(2500);
    EXPECT_FALSE(session.connected());
    EXPECT_TRUE(sim->ReceivedFrames().empty());
}
