// A controller behind a serial device server (ser2net in front of
// scale-sim): the server going away is a lost device, and once it is back
// the session reconnects to the same address and greets the controller as
// after any open.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "ser2net_process.h"
#include "session/scale_session.h"

using namespace std::chrono_literals;

TEST(ReconnectOverNetwork, TheServerComingBackIsReconnectedAndTheControllerGreeted)
{
    for (const bool rfc2217 : {true, false}) {
        SCOPED_TRACE(rfc2217 ? "rfc2217" : "socket");
        e2e::SimProcess sim({"--rate", "20"});
        e2e::Ser2NetProcess server(sim.PortPath());
        const std::string url = rfc2217 ? server.Rfc2217Url() : server.SocketUrl();
        ScriptedHost host;
        RecordingListener listener;
        ScaleSession session{host, listener};
        session.setRemembersPort(false);
        ASSERT_EQ(session.openPort(url, 115200).code, 1);
        EXPECT_EQ(session.portName(), url);
        ASSERT_TRUE(host.runFor(5000, [&] { return !listener.readings.empty(); }));
        ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
        const size_t framesBefore = sim.ReceivedFrames().size();

        server.Stop();
        ASSERT_TRUE(host.runFor(5000, [&] { return session.waitingForDevice(); }));
        EXPECT_EQ(listener.lastStatus(), "串口已断开，正在等待重新连接…");
        EXPECT_FALSE(session.connected());

        server.Start();
        ASSERT_TRUE(
            host.runFor(10000, [&] { return session.connected() && !session.waitingForDevice(); }));
        EXPECT_EQ(listener.lastStatus(), "串口已重新连接");
        EXPECT_THAT(listener.connections, ::testing::ElementsAre(true, false, true));
        // Greeted as after an open: the clock, then the parameter request.
        ASSERT_TRUE(sim.WaitForFrames(framesBefore + 2, 5s));
        const std::vector<std::string> frames = sim.ReceivedFrames();
        EXPECT_EQ(frames[framesBefore].substr(0, 8), "AA 01 F7");
        EXPECT_EQ(frames[framesBefore + 1], "AA 01 F6 00 00 00 00 A2");
        const size_t readings = listener.readings.size();
        EXPECT_TRUE(host.runFor(2000, [&] { return listener.readings.size() > readings; }));
        session.closePort();
    }
}

// Nothing at the address: the open fails at once and says why.
TEST(ReconnectOverNetwork, ARefusedConnectionSaysSo)
{
    std::string url;
    {
        e2e::SimProcess sim;
        e2e::Ser2NetProcess gone(sim.PortPath());
        url = gone.Rfc2217Url();
    }
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
    session.setRemembersPort(false);
    EXPECT_EQ(session.openPort(url, 9600).code, -1);
    EXPECT_THAT(listener.statuses,
                ::testing::ElementsAre("打开串口失败，返回值：-1，串口服务器拒绝连接"));
    EXPECT_FALSE(session.connected());
}
