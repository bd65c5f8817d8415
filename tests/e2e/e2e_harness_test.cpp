// The harness on its own: scale-sim as a process with a test client on its
// pty, a stand-in for the program in a directory of its own, and, once the
// program is built, the real program connecting to the simulator.

#include "e2e_harness.h"
#include "pty_client.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kReadParameters = "AA 01 F6 00 00 00 00 A2";
constexpr const char* kReport = "AA F6 00 00 0F 00 66 7E 01 00 66 7E 01 00 00 00 00 00 7A";

TEST(SimProcess, ClientOnItsPtyGetsTheReportAndTheLogShowsTheRequest)
{
    e2e::SimProcess sim({"--rate", "0"});
    scalesim::PtyClient client(sim.PortPath());
    client.Send(scalesim::BuildCommand(0xF6));
    EXPECT_EQ(scalesim::HexBytes(client.Read(scalesim::kReplyLength, 2s)), kReport);
    EXPECT_TRUE(sim.WaitForLog(std::string("RX ") + kReadParameters, 2s));
    EXPECT_EQ(sim.ReceivedFrames(), std::vector<std::string>{kReadParameters});

    EXPECT_EQ(sim.Command("range 750"), "ok");
    EXPECT_EQ(sim.Command("range x").rfind("error: ", 0), 0u);
    client.Send(scalesim::BuildCommand(0xF6));
    EXPECT_EQ(scalesim::HexBytes(client.Read(scalesim::kReplyLength, 2s)).substr(0, 17),
              "AA F6 00 00 EE 02");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProcess, WaitForLogTimesOutOnAFrameNeverSent)
{
    e2e::SimProcess sim;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sim.WaitForLog("RX AA 01 02", 200ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
}

TEST(SimProcess, RunsOnAfterItsInputEndsAndStopsCleanlyOnSigterm)
{
    const std::string link =
        ::testing::TempDir() + "scale-sim-e2e-link-" + std::to_string(getpid());
    support::SpawnOptions options;
    options.argv = {SCALE_SIM_PATH, "--link", link};
    options.pipeStdin = options.pipeStdout = true;
    options.stderrFile = "/dev/null";
    support::ChildProcess sim(options);
    sim.CloseStdin();
    // The path comes first on standard output; by then the link is made.
    pollfd pfd{sim.StdoutFd(), POLLIN, 0};
    ASSERT_EQ(poll(&pfd, 1, 10000), 1);
    char path[256] = {};
    ASSERT_GT(read(sim.StdoutFd(), path, sizeof path - 1), 0);

    scalesim::PtyClient client(link);
    client.Send(scalesim::BuildCommand(0xF6));
    const std::string received = scalesim::HexBytes(client.Read(4 * scalesim::kReplyLength, 1s));
    EXPECT_NE(received.find(kReport), std::string::npos); // measurement frames may come first
    EXPECT_FALSE(sim.WaitFor(300ms));                     // no input is no reason to end
    EXPECT_EQ(support::ExitCode(sim.Stop(5s)), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(ProgramRun, ProgramFindsItsSettingsEnvironmentAndPortInItsOwnDirectory)
{
    e2e::SimProcess sim;
    std::string directory;
    {
        e2e::ProgramRun run({.program = E2E_STAND_IN_PATH,
                             .port = sim.PortPath(),
                             .extraIni = {"[SysSet]", "writeResult=1"}});
        directory = run.Directory();
        EXPECT_NE(directory, fs::path(E2E_STAND_IN_PATH).parent_path().string());
        ASSERT_TRUE(sim.WaitForLog("RX AA 01 01 00 00 00 00 AD", 10s))
            << run.ReadFile("program.err");
        EXPECT_EQ(sim.ReceivedFrames(),
                  (std::vector<std::string>{"AA 01 F7 00 00 00 00 A3", kReadParameters,
                                            "AA 01 01 00 00 00 00 AD"}));
        EXPECT_EQ(run.ReadFile("Result.txt"),
                  std::string(kReport) + " \nBaudRate=9600\nHOME=" + directory +
                      "\nXDG_RUNTIME_DIR=" + directory + "\nQT_QPA_PLATFORM=offscreen\n");
        EXPECT_EQ(run.ReadFile("datalink.ini"), "[CommSet]\nCommNo=" + sim.PortPath() +
                                                    "\nBaudRate=9600\n[SysSet]\nwriteResult=1\n");
        EXPECT_EQ(run.ReadFile("ResultErr.txt"), "");
        EXPECT_TRUE(run.Running());
        EXPECT_EQ(run.Stop(), 0); // the stand-in ends cleanly on SIGTERM
    }
    EXPECT_FALSE(fs::exists(directory));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(ProgramRun, ExitCodeOfAProgramThatEndsByItself)
{
    // No such port: the stand-in gives up with code 2.
    e2e::ProgramRun run({.program = E2E_STAND_IN_PATH, .port = "/nonexistent/port"});
    EXPECT_EQ(run.WaitForExit(10s), 2);
}

TEST(RealProgram, ConnectsToTheSimulatorWhenItStarts)
{
#ifndef SCALE_CONFIG_PATH
    GTEST_SKIP() << "scale-config is not built";
#else
    e2e::SimProcess sim({"--load", "1.5"});
    e2e::ProgramRun run({.program = SCALE_CONFIG_PATH, .port = sim.PortPath()});
    // Opening the port sets the clock and asks for the parameters.
    EXPECT_TRUE(sim.WaitForLog(std::string("RX ") + kReadParameters, 20s))
        << run.ReadFile("program.out") << run.ReadFile("program.err");
    const std::vector<std::string> frames = sim.ReceivedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().substr(0, 8), "AA 01 F7");
    EXPECT_TRUE(run.Running());
    const int code = run.Stop();
    EXPECT_TRUE(code == 0 || code == 128 + SIGTERM) << code;
    EXPECT_EQ(sim.Stop(), 0);
#endif
}

} // namespace
