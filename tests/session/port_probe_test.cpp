// Finding the controller: the probe asks each port with the session's own
// parameter request, in the background, at most 300 ms a port, and marks
// only those that send a valid parameter report; the session's own port is
// left alone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "serial/comm_backend.h"
#include "session/event_loop.h"
#include "session/port_prober.h"
#include "session/scale_session.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kParameterRequest = "RX AA 01 F6 00 00 00 00 A2";

// A pseudo-terminal nobody answers on: the test reads what was sent to it.
class SilentPort {
public:
    SilentPort()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        close(slave);
        path_ = name;
    }
    ~SilentPort() { close(master_); }
    const std::string& path() const { return path_; }

    // What the far end has received so far.
    std::vector<uint8_t> received(std::chrono::milliseconds wait = 200ms)
    {
        std::vector<uint8_t> bytes;
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, static_cast<int>(wait.count())) > 0 && (p.revents & POLLIN)) {
            uint8_t buffer[256];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

private:
    int master_ = -1;
    std::string path_;
};

class Probe : public ::testing::Test {
protected:
    // Probes and handles the host's events until the probe has finished.
    void ProbeAndWait(const std::vector<std::string>& ports, uint32_t baudRate = 115200)
    {
        const size_t finished = listener.probesFinished.size();
        const auto start = Clock::now();
        session.probePorts(ports, baudRate);
        ASSERT_TRUE(host.runFor(5000, [&] { return listener.probesFinished.size() > finished; }));
        took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_FALSE(session.probing());
    }

    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
    std::chrono::milliseconds took{0};
};

} // namespace

TEST_F(Probe, OnlyThePortWithAControllerIsMarkedAfterItsTimePerPort)
{
    e2e::SimProcess sim({"--rate", "0"});
    SilentPort silent;
    ProbeAndWait({silent.path(), sim.PortPath()});

    EXPECT_THAT(listener.probed,
                ElementsAre(Pair(silent.path(), false), Pair(sim.PortPath(), true)));
    EXPECT_THAT(listener.probesFinished, ElementsAre(1));
    EXPECT_THAT(listener.statuses, ElementsAre("正在探测串口…", "探测完成，有应答的串口数：1"));
    // The silent port was given its 300 ms (a lower bound: a loaded machine
    // takes longer).
    EXPECT_GE(took, PortProber::kPerPort - 50ms);
    // Both got the session's parameter request, byte for byte, and nothing else.
    EXPECT_EQ(silent.received(), (std::vector<uint8_t>{0xAA, 0x01, 0xF6, 0, 0, 0, 0, 0xA2}));
    ASSERT_TRUE(sim.WaitForLog(kParameterRequest, 1s));
    EXPECT_THAT(sim.ReceivedFrames(), ElementsAre("AA 01 F6 00 00 00 00 A2"));
    // Probing opens no port of the session's.
    EXPECT_FALSE(session.connected());
    EXPECT_THAT(listener.connections, IsEmpty());
}

TEST_F(Probe, MeasurementsAloneAreNoAnswerNorIsAPortThatCannotBeOpened)
{
    // A controller that streams but does not answer the request.
    e2e::SimProcess streaming({"--rate", "50"});
    ASSERT_EQ(streaming.Command("silent on"), "ok");
    const std::string missing =
        (std::filesystem::temp_directory_path() / "no-such-serial-device").string();
    ProbeAndWait({streaming.PortPath(), missing});
    EXPECT_THAT(listener.probed,
                ElementsAre(Pair(streaming.PortPath(), false), Pair(missing, false)));
    EXPECT_THAT(listener.probesFinished, ElementsAre(0));
    EXPECT_EQ(listener.lastStatus(), "探测完成，有应答的串口数：0");
    EXPECT_TRUE(streaming.WaitForLog(kParameterRequest, 1s));
}

// A port is given its time and no more: an answer that comes after it
// does not count (the probe ends by its time-out, not by an answer that
// would come at last).
TEST_F(Probe, EachPortTakesAtMostItsTime)
{
    SilentPort silent;
    e2e::SimProcess slow({"--rate", "0"});
    ASSERT_EQ(slow.Command("delay 5000"), "ok"); // answers long after the probe's time
    EventLoop loop;
    for (const std::string& port : {silent.path(), slow.PortPath()}) {
        EXPECT_EQ(
            PortProber::probe(serial::DefaultCommBackend(), port, 9600, PortProber::kPerPort, loop),
            ProbeAnswer::Silent)
            << port;
    }
    EXPECT_TRUE(slow.WaitForLog(kParameterRequest, 10s)) << "the slow controller was asked";
}

TEST_F(Probe, TheSessionsOwnPortIsNotAskedButCountsWhileOpen)
{
    const std::filesystem::path link =
        std::filesystem::temp_directory_path() / ("scale-probe-own-" + std::to_string(getpid()));
    e2e::SimProcess sim({"--link", link.string(), "--rate", "0"});
    session.setRemembersPort(false);
    ASSERT_EQ(session.openPort(link.string(), 115200).code, 1);
    ASSERT_TRUE(sim.WaitForLog(kParameterRequest, 5s));
    const size_t framesAtOpen = sim.ReceivedFrames().size();
    SilentPort silent;

    // Listed under the pty's own name, while the session opened the link.
    ProbeAndWait({sim.PortPath(), silent.path()});
    EXPECT_THAT(listener.probed,
                ElementsAre(Pair(sim.PortPath(), true), Pair(silent.path(), false)));
    EXPECT_THAT(listener.probesFinished, ElementsAre(1));
    host.runFor(100);
    EXPECT_EQ(sim.ReceivedFrames().size(), framesAtOpen) << "the session's port was asked";
    EXPECT_TRUE(session.connected());
    std::filesystem::remove(link);
}

TEST_F(Probe, OpeningAPortEndsTheProbe)
{
    SilentPort first, second;
    e2e::SimProcess sim({"--rate", "0"});
    session.setRemembersPort(false);
    session.probePorts({first.path(), second.path()}, 115200);
    EXPECT_TRUE(session.probing());
    EXPECT_EQ(listener.lastStatus(), "正在探测串口…");
    // Pressing the button again while it runs starts nothing new.
    session.probePorts({first.path()}, 115200);
    host.runFor(50);
    ASSERT_EQ(session.openPort(sim.PortPath(), 115200).code, 1);
    EXPECT_FALSE(session.probing());
    EXPECT_THAT(listener.probesFinished, ElementsAre(0));
    host.runFor(700);
    EXPECT_THAT(listener.probed, IsEmpty()) << "reports of the ended probe arrived";
    EXPECT_TRUE(second.received(50ms).empty()) << "the probe went on after the open";
}

TEST_F(Probe, ThePortsBeingAskedAreFreeAgainAfterwards)
{
    e2e::SimProcess sim({"--rate", "0"});
    ProbeAndWait({sim.PortPath()});
    session.setRemembersPort(false);
    EXPECT_EQ(session.openPort(sim.PortPath(), 115200).code, 1);
}
