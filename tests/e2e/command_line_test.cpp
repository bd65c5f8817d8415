// The real program's command line: --help and --version without a display,
// a mistaken option, --port for one start, and a second start reaching the
// running instance.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "e2e_harness.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

#ifdef SCALE_CONFIG_PATH

e2e::ProgramRunOptions Options(const std::string& port, std::vector<std::string> arguments,
                               std::vector<std::string> environment = {})
{
    environment.push_back("LC_ALL=C.UTF-8");
    return {.program = SCALE_CONFIG_PATH,
            .port = port,
            .baud = 115200,
            .environment = environment,
            .arguments = arguments};
}

// Neither an X server nor Wayland nor the offscreen stand-in: a program that
// needed its window system here would abort.
const std::vector<std::string> kNoDisplay{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb"};

TEST(CommandLine, HelpAndVersionAnswerWithoutADisplay)
{
    e2e::ProgramRun version(Options("/dev/no-such-scale-port", {"--version"}, kNoDisplay));
    ASSERT_EQ(version.WaitForExit(10s), std::optional<int>(0)) << version.ReadFile("program.err");
    EXPECT_EQ(version.ReadFile("program.out"), "scale-config " SCALE_VERSION "\n");

    e2e::ProgramRun help(
        Options("/dev/no-such-scale-port", {"--port", "COM1", "--help"}, kNoDisplay));
    ASSERT_EQ(help.WaitForExit(10s), std::optional<int>(0)) << help.ReadFile("program.err");
    const std::string text = help.ReadFile("program.out");
    EXPECT_THAT(text, HasSubstr("Usage: " + help.PathOf("scale-config") + " [options]"));
    for (const char* option : {"--help", "--version", "--port <port>", "--lang <language>"})
        EXPECT_THAT(text, HasSubstr(option));
    // Nothing was opened, written or started.
    EXPECT_EQ(help.ReadFile("Result.txt"), "");
    EXPECT_FALSE(std::filesystem::exists(help.PathOf("PDA_SVR.lock")));
}

TEST(CommandLine, AMistakeIsNamedAndEndsTheProgram)
{
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--portt", "COM1"}, "Unknown option 'portt'."},
        {{"--port"}, "Missing value after '--port'."},
        {{"--lang"}, "Missing value after '--lang'."},
        {{"--lang", "fr"}, "Unknown language 'fr' after '--lang' (zh or en)."},
    };
    for (const auto& c : cases) {
        e2e::ProgramRun run(Options("/dev/no-such-scale-port", c.arguments));
        EXPECT_EQ(run.WaitForExit(10s), std::optional<int>(1)) << c.message;
        EXPECT_THAT(run.ReadFile("program.err"), HasSubstr(c.message));
    }
}

TEST(CommandLine, PortOptionOpensThatPortWithoutSavingIt)
{
    e2e::SimProcess sim({"--load", "12.5"});
    e2e::ProgramRun run(
        Options("/dev/no-such-scale-port", {"--port", sim.PortPath(), "--lang", "en"}));
    const std::string settings = run.ReadFile("datalink.ini");
    // The clock and the parameter query go to the given port; the weight comes back.
    ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 10s)) << run.ReadFile("program.err");
    // A remembered port is written right after the parameter query goes
    // out, before the window handles anything else: a reading logged after
    // the simulator received the query comes after that moment.
    const size_t logged = run.ReadFile("Result.txt").size();
    ASSERT_TRUE(support::WaitUntil([&] { return run.ReadFile("Result.txt").size() > logged; }));
    EXPECT_THAT(run.ReadFile("Result.txt"), HasSubstr("实际值：12.5,"));
    EXPECT_EQ(run.ReadFile("datalink.ini"), settings);
    EXPECT_TRUE(run.Running());
}

TEST(CommandLine, SecondStartReachesTheRunningInstanceAndEnds)
{
    e2e::SimProcess sim;
    e2e::ProgramRun first(Options(sim.PortPath(), {}));
    ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6", 10s));
    // The running instance listens beside its lock, for its user alone.
    const std::filesystem::path socket = first.PathOf("PDA_SVR.socket");
    ASSERT_EQ(std::filesystem::status(socket).type(), std::filesystem::file_type::socket);
    EXPECT_EQ(std::filesystem::status(socket).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::owner_exec);

    // A second start without --port only brings the window to the front.
    e2e::ProgramRun second(Options(sim.PortPath(), {}, {"XDG_RUNTIME_DIR=" + first.Directory()}));
    EXPECT_EQ(second.WaitForExit(support::kGenerousLimit), std::optional<int>(0));
    EXPECT_THAT(second.ReadFile("program.err"), HasSubstr("already running; its window was"));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(sim.ReceivedFrames().size(), 2u);
}

// A second start with --port hands the port to a running window that has
// none open: it opens it as if it had been started with it, greeted as
// after any open, and not remembered. (With a port open, the window asks
// first: window_on_sim.cpp.)
TEST(CommandLine, SecondStartHandsItsPortToTheRunningWindow)
{
    e2e::ProgramRun first(Options("/dev/no-such-scale-port", {}));
    ASSERT_TRUE(support::WaitUntil(
        [&] { return std::filesystem::exists(first.PathOf("PDA_SVR.socket")); }));
    const std::string settings = first.ReadFile("datalink.ini");
    e2e::SimProcess other;
    e2e::ProgramRun second(Options("/dev/no-such-scale-port", {"--port", other.PortPath()},
                                   {"XDG_RUNTIME_DIR=" + first.Directory()}));
    EXPECT_EQ(second.WaitForExit(support::kGenerousLimit), std::optional<int>(0));
    EXPECT_THAT(second.ReadFile("program.err"),
                HasSubstr("already running; port " + other.PortPath() + " handed to its window"));
    ASSERT_TRUE(other.WaitForLog("RX AA 01 F6", 10s));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(first.ReadFile("datalink.ini"), settings);
}

#endif // SCALE_CONFIG_PATH

} // namespace
