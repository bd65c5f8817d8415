// The real program against scale-sim: what it sends at start-up, the live
// weight in its result log, a second start, a missing device.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <thread>

#include "e2e_harness.h"
#include "temp_dir.h"
#include "wait_until.h"

using namespace std::chrono_literals;

namespace {

#ifdef SCALE_CONFIG_PATH

// The controller's clock for now: seconds of local wall-clock time since
// 2018-01-01 00:00:00.
int64_t DeviceSecondsNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::tm epoch{};
    epoch.tm_year = 118;
    epoch.tm_mday = 1;
    return static_cast<int64_t>(timegm(&local) - timegm(&epoch));
}

std::vector<int> Bytes(const std::string& hex)
{
    std::istringstream in(hex);
    std::vector<int> bytes;
    for (std::string byte; in >> byte;)
        bytes.push_back(std::stoi(byte, nullptr, 16));
    return bytes;
}

e2e::ProgramRunOptions Options(const std::string& port, std::vector<std::string> environment = {})
{
    environment.push_back("LC_ALL=C.UTF-8"); // logs in UTF-8, readable here
    return {.program = SCALE_CONFIG_PATH, .port = port, .baud = 115200, .environment = environment};
}

TEST(Program, StartsBySettingTheClockThenAsksForTheParameters)
{
    e2e::SimProcess sim({"--load", "12.5"});
    e2e::ProgramRun run(Options(sim.PortPath()));
    ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 10s)) << run.ReadFile("program.err");
    // Nothing else follows: by the first live weight in the result log the
    // start-up is over.
    ASSERT_TRUE(support::WaitUntil([&] {
        return run.ReadFile("Result.txt").find("实际值：12.5,") != std::string::npos;
    })) << run.ReadFile("ResultErr.txt");
    const std::vector<std::string> frames = sim.ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    const std::vector<int> clock = Bytes(frames[0]);
    ASSERT_EQ(clock.size(), 8u);
    EXPECT_EQ(clock[2], 0xF7);
    const int64_t seconds = clock[3] | clock[4] << 8 | clock[5] << 16 | int64_t{clock[6]} << 24;
    EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(DeviceSecondsNow()), 5.0);
    int sum = 1;
    for (int i = 0; i < 7; ++i)
        sum += clock[i];
    EXPECT_EQ(clock[7], sum & 0xFF);
    EXPECT_EQ(frames[1], "AA 01 F6 00 00 00 00 A2");
    EXPECT_TRUE(run.Running());
}

TEST(Program, ShowsTheLiveWeightAndLogsIt)
{
    e2e::SimProcess sim({"--load", "12.5"});
    e2e::ProgramRun run(Options(sim.PortPath()));
    ASSERT_TRUE(support::WaitUntil([&] {
        return run.ReadFile("Result.txt").find("实际值：12.5,") != std::string::npos;
    })) << run.ReadFile("ResultErr.txt");
    ASSERT_EQ(sim.Command("load 3.75"), "ok");
    ASSERT_TRUE(support::WaitUntil(
        [&] { return run.ReadFile("Result.txt").find("实际值：3.75,") != std::string::npos; }));
    EXPECT_EQ(run.ReadFile("ResultErr.txt"), "");
    // Every line: "Time：YYYY-MM-DD hh:nn:ss zzz -- 实际值：<weight>," and CR LF.
    std::istringstream lines(run.ReadFile("Result.txt"));
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("Time：", 0), 0u) << line;
        EXPECT_EQ(line.back(), '\r');
    }
}

TEST(Program, RemembersTheOpenedPort)
{
    e2e::SimProcess sim;
    e2e::ProgramRun run(Options(sim.PortPath()));
    ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6", 10s));
    // Written after the commands; the port and rate as opened.
    ASSERT_TRUE(support::WaitUntil(
        [&] { return run.ReadFile("datalink.ini").find("BaudRate=115200") != std::string::npos; }));
    EXPECT_NE(run.ReadFile("datalink.ini").find("CommNo=" + sim.PortPath()), std::string::npos);
}

TEST(Program, SecondStartEndsAtOnceAndLeavesTheFirstAlone)
{
    e2e::SimProcess sim;
    e2e::ProgramRun first(Options(sim.PortPath()));
    ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6", 10s));
    // The same user (the same runtime directory) starts the tool again.
    e2e::ProgramRun second(Options(sim.PortPath(), {"XDG_RUNTIME_DIR=" + first.Directory()}));
    EXPECT_EQ(second.WaitForExit(5s), std::optional<int>(0));
    EXPECT_EQ(second.ReadFile("program.err").find("Unable"), std::string::npos);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(sim.ReceivedFrames().size(), 2u);
    // Once the first has ended, a new start succeeds.
    first.Stop();
    e2e::ProgramRun third(Options(sim.PortPath(), {"XDG_RUNTIME_DIR=" + first.Directory()}));
    EXPECT_TRUE(support::WaitUntil([&] { return sim.ReceivedFrames().size() == 4; }));
    EXPECT_TRUE(third.Running());
}

TEST(Program, MissingDeviceLeavesTheToolRunningAndTheSettingsAlone)
{
    e2e::ProgramRun run(Options("/dev/no-such-scale-port"));
    const std::string settings = run.ReadFile("datalink.ini");
    // A failed open leaves no trace outside the window to wait for: this
    // looks for an end or a write during a second.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(run.Running()) << run.ReadFile("program.err");
    EXPECT_EQ(run.ReadFile("datalink.ini"), settings);
    EXPECT_EQ(run.ReadFile("Result.txt"), "");
    EXPECT_EQ(run.ReadFile("ResultErr.txt"), "");
}

// Another user plants the single-instance lock, in the runtime directory
// or as the directory the tool would make for itself, and holds it.
TEST(Program, ALockOfSomeoneElseDoesNotKeepTheToolFromStarting)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "planting another user's files needs root";
    constexpr uid_t kOtherUser = 4242;
    const struct {
        const char* name;
        bool runtimeDir; // planted in XDG_RUNTIME_DIR, else as TMPDIR/scale-config-<uid>
    } cases[] = {{"runtime directory", true}, {"own directory", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const support::TempDir baseDir("scale-lock");
        const std::string base = baseDir.path();
        const std::string dir =
            c.runtimeDir ? base : base + "/scale-config-" + std::to_string(geteuid());
        if (!c.runtimeDir) {
            ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
        }
        const std::string lock = dir + "/PDA_SVR.lock";
        const int holder = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
        ASSERT_EQ(chown(lock.c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(chown(dir.c_str(), kOtherUser, kOtherUser), 0);

        e2e::SimProcess sim;
        const std::vector<std::string> environment =
            c.runtimeDir ? std::vector<std::string>{"XDG_RUNTIME_DIR=" + base}
                         : std::vector<std::string>{"XDG_RUNTIME_DIR=", "TMPDIR=" + base};
        e2e::ProgramRun run(Options(sim.PortPath(), environment));
        EXPECT_TRUE(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 10s))
            << run.ReadFile("program.err");
        EXPECT_TRUE(run.Running());
        close(holder);
    }
}

// Whether a user other than root (65534 when this test runs as root, for
// root is exempt from a terminal's exclusive use) can open the port now.
bool OrdinaryUserOpens(const std::string& port)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The port's exclusive use ends with the program however it ends: by a
// signal it handles (the window closes its port on the way out) or by
// SIGKILL (the simulator clears the flag once the program's lock is gone).
TEST(Program, PortIsFreeAgainForTheSameUserAfterAnyEnd)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        e2e::SimProcess sim;
        ASSERT_EQ(chmod(sim.PortPath().c_str(), 0666), 0);
        e2e::ProgramRun run(Options(sim.PortPath()));
        ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6", 10s)) << run.ReadFile("program.err");
        EXPECT_FALSE(OrdinaryUserOpens(sim.PortPath())) << "the port is not held";
        ASSERT_EQ(kill(run.Pid(), signal), 0);
        const std::optional<int> exitCode = run.WaitForExit(10s);
        ASSERT_TRUE(exitCode);
        EXPECT_EQ(*exitCode, signal == SIGKILL ? 128 + SIGKILL : 0);
        EXPECT_TRUE(support::WaitUntil([&] { return OrdinaryUserOpens(sim.PortPath()); }));
    }
}

#endif // SCALE_CONFIG_PATH

} // namespace
