// Settings, input lines, the command line and the program itself.

#include "child_process.h"
#include "run_program.h"
#include "sim_arguments.h"
#include "sim_fixture.h"
#include "sim_settings.h"
#include "wait_until.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

namespace scalesim {
namespace {

std::string WithoutClock(std::string status)
{
    const auto at = status.find(" clock=");
    return status.erase(at, status.find(' ', at + 1) - at);
}

TEST(SimSettings, BadValuesAreRefusedWithAReason)
{
    const char* lines[] = {
        "load abc",
        "load 12.5kg",
        "load 1e9",
        "noise -1",
        "drift x",
        "rate 51",
        "rate -1",
        "baud 0",
        "switch half",
        "calibrated 0",
        "calibrated 70000",
        "range 0",
        "division 2",
        "gravity-use 1.5",
        "tracking yes",
        "records 33",
        "version 256",
        "version-text 12345678901234567",
        "zerofail 1",
        "delay -5",
        "silent F3 XY",
        "refuse",
        "split -1",
        "pair maybe",
        "garbage 1001",
        "frobnicate 1",
        "",
        // Rates: 0, or 0.1 up to what the line carries (50.5 at 9600 baud), or max.
        "rate 1e-300",
        "rate 0.09",
        "rate 0.1x",
        "rate nan",
        "rate inf",
        "rate 1e300",
        "rate 50.6",
        "rate maximum",
    };
    SimEngine engine;
    for (const char* line : lines) {
        const std::string answer = engine.Command(line);
        EXPECT_EQ(answer.rfind("error: ", 0), 0u) << line << " -> " << answer;
    }
    // Nothing of it changed the state.
    EXPECT_EQ(WithoutClock(engine.Command("status")),
              "ok " + WithoutClock(StatusLine(SimState{}, 0)));
    for (const char* line : {"rate 0.1", "rate 50.5", "rate 0", "rate max"})
        EXPECT_EQ(engine.Command(line), "ok") << line;
}

TEST(SimSettings, StatusShowsWhatWasSet)
{
    SimEngine engine;
    for (const char* line : {"load 12.5", "rate max", "switch open", "calibrated zero", "range 750",
                             "division 1", "gravity-use 97950", "tracking on", "beeper off",
                             "records 3", "version 7", "zerofail on", "delay 20", "silent 01,F2",
                             "refuse on", "split 7", "split-pause 10", "pair on", "garbage 2"})
        ASSERT_EQ(engine.Command(line), "ok") << line;
    const std::string status = engine.Command("status");
    for (const char* part :
         {"load=12.5 ", "rate=max ", "switch=open ", "calibrated=zero ", "range=750 ",
          "division=1 ", "gravity-use=97950 ", "tracking=on ", "beeper=off ", "records=3 ",
          "version=7 ", "zerofail=on ", "delay=20 ", "silent=01,F2 ", "refuse=on ", "split=7 ",
          "split-pause=10 ", "pair=on ", "garbage=2"})
        EXPECT_NE(status.find(part), std::string::npos) << part << " in " << status;
}

TEST(SimSettings, StreamPeriod)
{
    StreamSettings stream;
    EXPECT_EQ(stream.Period(), std::chrono::microseconds(100000));
    stream.framesPerSecond = 0;
    EXPECT_EQ(stream.Period().count(), 0);
    stream.lineRate = true; // 190 bits a frame at 9600 baud
    EXPECT_EQ(stream.Period(), std::chrono::microseconds(19792));
    stream.baud = 115200;
    EXPECT_EQ(stream.Period(), std::chrono::microseconds(1650));
    // A rate above what a slower line carries is held to the line.
    stream = StreamSettings{};
    stream.framesPerSecond = 50;
    stream.baud = 4800;
    EXPECT_EQ(stream.Period(), std::chrono::microseconds(39584));
}

TEST(SimArguments, OptionsInBothFormsInOrder)
{
    const char* argv[] = {"scale-sim", "--load", "3", "--link=/tmp/x",  "--refuse=F3,F5", "--log",
                          "f.log",     "--seed", "7", "--version-text", "A B C"};
    const Arguments args = ParseArguments(11, argv);
    ASSERT_EQ(args.error, "");
    EXPECT_EQ(args.engine.linkPath, "/tmp/x");
    EXPECT_EQ(args.engine.logPath, "f.log");
    EXPECT_EQ(args.engine.seed, 7u);
    const std::vector<std::pair<std::string, std::string>> settings = {
        {"load", "3"}, {"refuse", "F3,F5"}, {"version-text", "A B C"}};
    EXPECT_EQ(args.settings, settings);
}

TEST(SimArguments, MistakesAreNamed)
{
    const struct {
        std::vector<const char*> argv;
        const char* error;
    } cases[] = {
        {{"scale-sim", "--bogus", "1"}, "unknown option --bogus"},
        {{"scale-sim", "load"}, "unexpected argument load"},
        {{"scale-sim", "--load"}, "--load needs a value"},
        {{"scale-sim", "--seed", "x"}, "--seed needs a whole number"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseArguments(static_cast<int>(c.argv.size()), c.argv.data()).error, c.error);
}

TEST(SimArguments, HelpNamesEverySettingAndInputCommand)
{
    const std::string help = HelpText();
    for (const Setting& setting : Settings())
        EXPECT_NE(help.find(std::string("  ") + setting.name + " " + setting.argument),
                  std::string::npos)
            << setting.name;
    for (const char* command : {"reply CODE", "send BYTES", "measure", "status", "help", "quit",
                                "--link PATH", "--log FILE", "--seed N"})
        EXPECT_NE(help.find(command), std::string::npos) << command;
}

TEST(SimEngineLink, LinkPointsAtThePtyAndGoesWithTheEngine)
{
    const std::string link = ::testing::TempDir() + "scale-sim-link-" + std::to_string(getpid());
    ::unlink(link.c_str());
    {
        EngineOptions options;
        options.linkPath = link;
        SimEngine engine(options);
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(engine.PortPath(), target);
        PtyClient client(link); // a tool can open the fixed name
    }
    struct stat st { };
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST(SimEngineLink, NeverReplacesAFile)
{
    const std::string path = ::testing::TempDir() + "scale-sim-file-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EngineOptions options;
    options.linkPath = path;
    EXPECT_THROW(SimEngine engine(options), std::system_error);
    struct stat st { };
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ::unlink(path.c_str());
}

// The pty is the controlling terminal of a process of the simulator's own:
// a session leader that opens the port without O_NOCTTY (as the wine server
// does for a COM port linked to the pty) must not take it for its own terminal,
// or the simulator's end would hang up that leader.
TEST(SimEngineLink, NoOtherSessionTakesThePtyForItsTerminal)
{
    SimEngine engine(EngineOptions{});
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const int port = open(engine.PortPath().c_str(), O_RDWR | O_NONBLOCK);
        _exit(port < 0 ? 2 : open("/dev/tty", O_RDWR) < 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the pty became that session's terminal; 2: no open";
}

// The program: run it as a user would, its errors with its output.
struct ProgramResult {
    int exitCode;
    std::string output;
};

ProgramResult RunProgram(const std::vector<std::string>& arguments)
{
    const support::ProgramRun run = support::RunProgram(SCALE_SIM_PATH, arguments);
    return {run.exitCode, run.out + run.err};
}

TEST(SimProgram, HelpAndMistakes)
{
    const ProgramResult help = RunProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output, HelpText());

    const ProgramResult unknown = RunProgram({"--bogus", "1"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.output.find("unknown option --bogus"), std::string::npos) << unknown.output;

    const ProgramResult badValue = RunProgram({"--range", "0"});
    EXPECT_EQ(badValue.exitCode, 2);
    EXPECT_NE(badValue.output.find("range: expected a whole number from 1 to 65535"),
              std::string::npos)
        << badValue.output;

    // A rate whose period would overflow the clock is refused, not run.
    const ProgramResult tinyRate = RunProgram({"--rate", "1e-300"});
    EXPECT_EQ(tinyRate.exitCode, 2);
    EXPECT_NE(
        tinyRate.output.find("rate: expected 0, or 0.1 to 50.52631579 frames per second, or max"),
        std::string::npos)
        << tinyRate.output;
}

TEST(SimProgram, AnswersInputLinesAndQuits)
{
    // With "quit" on standard input it answers and ends; the first line is
    // the pty's path.
    support::SpawnOptions options;
    options.argv = {SCALE_SIM_PATH};
    options.pipeStdin = options.pipeStdout = true;
    options.stderrFile = "/dev/null";
    support::ChildProcess sim(options);
    const std::string input = "load 2\nbogus\nquit\n";
    ASSERT_EQ(::write(sim.StdinFd(), input.data(), input.size()),
              static_cast<ssize_t>(input.size()));
    sim.CloseStdin();
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(sim.StdoutFd(), buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    const std::optional<int> status = sim.WaitFor(support::kGenerousLimit);
    ASSERT_TRUE(status);
    EXPECT_EQ(support::ExitCode(*status), 0);
    EXPECT_EQ(output.rfind("/dev/pts/", 0), 0u) << output;
    EXPECT_NE(output.find("\nok\nerror: unknown setting bogus\nok\n"), std::string::npos) << output;
}

} // namespace
} // namespace scalesim
