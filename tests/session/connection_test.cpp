// Opening and closing the port: the names and rates it is opened with, the
// start-up commands and their waits, what the operator is told, and that a
// failed open or a close leaves the settings file alone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app_core/sys_settings.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "serial/comm.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using namespace std::chrono_literals;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

namespace {

// The whole settings file; empty when there is none.
std::string SettingsFileText()
{
    std::ifstream file(SettingsFilePath(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Seconds of the controller's clock now: wall-clock time since 2018-01-01 00:00:00.
int64_t DeviceSecondsNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::tm epoch{};
    epoch.tm_year = 2018 - 1900;
    epoch.tm_mday = 1;
    return static_cast<int64_t>(timegm(&local) - timegm(&epoch));
}

// The little-endian 32-bit number in bytes 3..6 of a logged frame "AA 01 F7 b0 b1 b2 b3 cs".
int32_t FrameData(const std::string& frame)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value =
            value << 8 | static_cast<uint32_t>(std::stoul(frame.substr(9 + 3 * i, 2), nullptr, 16));
    return static_cast<int32_t>(value);
}

// A directory of its own for paths that are no serial device.
class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "session-tests-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary directory");
        path_ = pattern;
    }
    ~TemporaryDirectory() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

class Connection : public ::testing::Test {
protected:
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
};

} // namespace

// The clock first (the controller's seconds of now), then the parameter
// request, each 100 ms after the one before.
TEST_F(OnSim, OpeningSetsTheClockAndAsksForTheParameters)
{
    Start({"--range", "750", "--rate", "0"});
    EXPECT_THAT(listener.connections, ElementsAre(true));
    EXPECT_TRUE(session.connected());
    const std::vector<std::string> frames = sim->ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(0, 8), "AA 01 F7");
    EXPECT_LE(std::abs(FrameData(frames[0]) - DeviceSecondsNow()), 2) << frames[0];
    EXPECT_EQ(frames[1], "AA 01 F6 00 00 00 00 A2");
    EXPECT_EQ(session.weighing().rangeKg, 750);
}

TEST_F(Connection, OpeningWaitsAndTellsTheOperator)
{
    e2e::SimProcess sim({"--rate", "0"});
    session.setRemembersPort(false);
    ASSERT_EQ(session.openPort(sim.PortPath(), 115200).code, 1);
    EXPECT_THAT(listener.statuses, ElementsAre("打开串口成功"));
    EXPECT_THAT(host.waits, ElementsAre(100u, 100u));
    EXPECT_THAT(listener.connections, ElementsAre(true));
    EXPECT_THAT(host.boxes, IsEmpty());
}

// Names from "...10" on go through the device namespace; the rate is used
// as given. None of these names reaches a device here.
TEST_F(Connection, PortNamesAndRates)
{
    struct Case {
        std::string typed;
        uint32_t baud;
        std::string opened;
    };
    const Case cases[] = {
        {"Xyz9", 9600, "Xyz9"},
        {"Xyz10", 115200, "//./Xyz10"},
        {"Xyz010", 4800, "//./Xyz010"},
        {"//./Xyz10", 4800, "//./Xyz10"},
        {"\\\\.\\XYZ12", 4800, "\\\\.\\XYZ12"},
        {"X1", 9600, "X1"},
        {"", 9600, ""},
        {"Xyz1", 250000, "Xyz1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_NE(session.openPort(c.typed, c.baud).code, 1);
        EXPECT_EQ(session.portName(), c.opened);
        EXPECT_EQ(session.baudRate(), c.baud);
    }
}

// A failed open tells its code in the status line, reports the port
// closed, waits for nothing and leaves the settings file as it was.
TEST_F(Connection, FailedOpenTellsTheCodeAndRemembersNothing)
{
    TemporaryDirectory directory;
    std::ofstream(directory / "not-a-port") << "[CommSet]\n";
    const std::string settingsBefore = SettingsFileText();
    struct Case {
        std::string name;
        int32_t code;
        const char* status;
    };
    const Case cases[] = {
        {directory / "no-such-port", -1, "打开串口失败，返回值：-1"},
        {directory / "not-a-port", -2, "打开串口失败，返回值：-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listener.statuses.clear();
        listener.connections.clear();
        EXPECT_EQ(session.openPort(c.name, 115200).code, c.code);
        EXPECT_THAT(listener.statuses, ElementsAre(c.status));
        EXPECT_THAT(listener.connections, ElementsAre(false));
        EXPECT_FALSE(session.connected());
    }
    EXPECT_THAT(host.waits, IsEmpty());
    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_EQ(SettingsFileText(), settingsBefore);
}

// A port that another program holds says so after the code.
TEST_F(Connection, BusyPortSaysSoAfterTheCode)
{
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(flock(slave, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(session.openPort(name, 115200).code, -1);
    EXPECT_THAT(listener.statuses, ElementsAre("打开串口失败，返回值：-1，串口被占用"));
    EXPECT_FALSE(session.connected());
    close(slave);
    close(master);
}

TEST_F(Connection, CloseWithoutOpenPort)
{
    const std::string settingsBefore = SettingsFileText();
    session.closePort();
    EXPECT_THAT(listener.statuses, ElementsAre("串口关闭！"));
    EXPECT_THAT(listener.connections, ElementsAre(false));
    EXPECT_EQ(SettingsFileText(), settingsBefore);
}

// Closing tells the operator; the end of the program closes the port
// without a word.
TEST(Closing, ThePortByTheOperatorOrAtTheEnd)
{
    struct Case {
        const char* name;
        void (ScaleSession::*close)();
        std::vector<std::string> statuses;
        std::vector<bool> connections;
    };
    const Case cases[] = {
        {"closePort", &ScaleSession::closePort, {"串口关闭！"}, {false}},
        {"shutDown", &ScaleSession::shutDown, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionOnSim rig;
        rig.Start({"--rate", "0"});
        rig.listener.connections.clear();
        ASSERT_TRUE(rig.session.connected());
        (rig.session.*c.close)();
        EXPECT_FALSE(rig.session.connected());
        EXPECT_EQ(rig.listener.statuses, c.statuses);
        EXPECT_EQ(rig.listener.connections, c.connections);
    }
}

// When neither the result log nor the error log can be written while the
// controller streams its weight, every failure opens one error box at a
// time: the frames that come while it is open (its own event loop runs as
// the operator reads it) are dropped, so it never opens another inside
// itself. The clock and the parameter request of the start-up still go out.
TEST(StartUp, CommandsAreSentWhileLogsFailAndTheirErrorBoxIsOpen)
{
    SessionOnSim rig;
    rig.host.resultLogFails = true;
    rig.host.errorLogFails = true;
    rig.host.whileOpen = [&](const ScriptedHost::Box&) {
        EXPECT_FALSE(rig.session.receiving());
        rig.host.runFor(150);
    };
    rig.OpenOnSim({"--rate", "50"});
    const std::vector<std::string> frames = rig.sim->ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(0, 8), "AA 01 F7");
    EXPECT_EQ(frames[1], "AA 01 F6 00 00 00 00 A2");
    ASSERT_FALSE(rig.host.boxes.empty());
    EXPECT_THAT(rig.host.boxes,
                Each(Field(&ScriptedHost::Box::kind, ScriptedHost::Box::Kind::Error)));
    EXPECT_EQ(rig.host.mostBoxesOpenAtOnce, 1);
    // Each box is one frame's failure; the frames behind it were dropped.
    EXPECT_EQ(rig.listener.readings.size(), rig.host.boxes.size());
    EXPECT_TRUE(rig.session.receiving());
}
