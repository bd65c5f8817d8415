// A lost device: the session closes the port, says so once, waits without
// cost and reopens the same device by itself when it returns, greeting the
// controller as at every open and taking it once the controller answered;
// "关闭" ends the waiting. A bare pseudo-terminal is never reopened.

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
        ASSERT_EQ(session.openPort(link.string(), 115200).code, 1);
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
    ASSERT_TRUE(
        host.runFor(10000, [&] { return session.connected() && !session.waitingForDevice(); }));
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

// A device that comes back at the link but whose controller does not answer
// is not taken for the scale: it is closed again, said once, and the
// waiting goes on.
TEST_F(Reconnect, ADeviceThatDoesNotAnswerIsNotTaken)
{
    LoseTheDevice();
    sim = std::make_unique<e2e::SimProcess>(
        std::vector<std::string>{"--link", link.string(), "--silent", "on"});
    const std::string silent = "设备已出现，但控制器无应答，继续等待…";
    ASSERT_TRUE(host.runFor(10000, [&] { return listener.lastStatus() == silent; }));
    EXPECT_FALSE(session.connected());
    EXPECT_TRUE(session.waitingForDevice());
    EXPECT_THAT(listener.connections, ::testing::ElementsAre(true, false));
    // Asked again on the next try, still not taken, and not said again.
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 F6", 5s));
    const size_t asked = sim->ReceivedFrames().size();
    ASSERT_TRUE(host.runFor(10000, [&] { return sim->ReceivedFrames().size() >= asked + 2; }));
    EXPECT_EQ(std::count(listener.statuses.begin(), listener.statuses.end(), silent), 1);

    sim->Command("silent off");
    ASSERT_TRUE(
        host.runFor(10000, [&] { return session.connected() && !session.waitingForDevice(); }));
    EXPECT_EQ(listener.lastStatus(), "串口已重新连接");
}

namespace {

// A session opened on a simulator's pseudo-terminal by its bare name.
struct BareTerminal {
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
    std::unique_ptr<e2e::SimProcess> sim =
        std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--rate", "20"});

    void open()
    {
        session.setRemembersPort(false);
        ASSERT_EQ(session.openPort(sim->PortPath(), 115200).code, 1);
        ASSERT_TRUE(host.runFor(5000, [&] { return !listener.readings.empty(); }));
    }
};

} // namespace

// The kernel gives a freed /dev/pts/N to the next program that asks for a
// terminal: the session never reopens it, and says that the port is gone.
TEST(ReconnectOfABareTerminal, IsNeverAttempted)
{
    BareTerminal rig;
    rig.open();
    rig.sim->Stop();
    ASSERT_TRUE(rig.host.runFor(5000, [&] { return !rig.session.connected(); }));
    EXPECT_EQ(rig.listener.lastStatus(), "串口已断开，请重新打开串口！");
    EXPECT_FALSE(rig.session.waitingForDevice());
    EXPECT_THAT(rig.listener.connections, ::testing::ElementsAre(true, false));
    EXPECT_THAT(rig.listener.waits, ::testing::IsEmpty());
}

// A USB adapter opened by its kernel name is followed by its stable by-id
// name: gone (udev removes the link), another device appears meanwhile, and
// the adapter comes back under another kernel name. Only the adapter is
// opened; the other device gets not one byte.
TEST(ReconnectOfAnAdapter, FollowsItsStableNameOnly)
{
    const std::filesystem::path byId =
        std::filesystem::temp_directory_path() / ("scale-by-id-" + std::to_string(::getpid()));
    std::filesystem::create_directories(byId);
    const std::filesystem::path stable = byId / "usb-Maker_Adapter_A1B2-if00-port0";
    BareTerminal rig;
    std::filesystem::create_symlink(rig.sim->PortPath(), stable);
    rig.session.setSerialByIdFolder(byId.string());
    rig.open();

    rig.sim->Stop();
    std::filesystem::remove(stable);
    ASSERT_TRUE(rig.host.runFor(5000, [&] { return rig.session.waitingForDevice(); }));
    e2e::SimProcess other({"--rate", "0"});
    e2e::SimProcess adapter({"--rate", "20"});
    std::filesystem::create_symlink(adapter.PortPath(), stable);
    ASSERT_TRUE(rig.host.runFor(
        10000, [&] { return rig.session.connected() && !rig.session.waitingForDevice(); }));
    EXPECT_EQ(rig.listener.lastStatus(), "串口已重新连接");
    ASSERT_TRUE(adapter.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    EXPECT_TRUE(other.ReceivedFrames().empty());
    std::filesystem::remove_all(byId);
}
