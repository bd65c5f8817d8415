// scale-cli run as a process, the way a production line runs it, against
// scale-sim on a pseudo-terminal: the exit code, the frames the controller
// received, the operation-log lines and the output. The same cases run the
// Linux program and, under wine, the Windows one (cli_target.h).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_target.h"
#include "protocol/daily_code.h"
#include "temp_dir.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const std::string kClock = "AA 01 F7"; // its data is the time of the run
const std::string kParameters = "AA 01 F6 00 00 00 00 A2";
const std::string kVersion = "AA 01 01 00 00 00 00 AD";

struct CliResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
    std::vector<std::string> opLog; // the texts after " -- "
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Runs scale-cli in a directory of its own, with datalink.ini naming the
// simulator's port. Its operation-log lines name the port they were about;
// the texts after that are the window's.
CliResult RunCli(const std::string& port, const std::vector<std::string>& arguments)
{
    const cli_target::CliRun run = cli_target::RunCli(port, arguments);
    CliResult result{run.exitCode, run.output, run.errors, {}};
    const std::string portTag = "[port=" + port + "] ";
    for (const std::string& line : Lines(run.operationLog)) {
        const auto text = line.find(" -- ");
        if (text == std::string::npos)
            continue;
        std::string logged = line.substr(text + 4);
        EXPECT_EQ(logged.rfind(portTag, 0), 0u) << line;
        if (logged.rfind(portTag, 0) == 0)
            logged.erase(0, portTag.size());
        result.opLog.push_back(logged);
    }
    return result;
}

// Frames received since `mark`, the clock frame cut to its code.
std::vector<std::string> FramesSince(const e2e::SimProcess& sim, size_t mark)
{
    std::vector<std::string> frames = sim.ReceivedFrames();
    frames.erase(frames.begin(), frames.begin() + static_cast<long>(std::min(mark, frames.size())));
    for (std::string& frame : frames)
        if (frame.rfind(kClock, 0) == 0)
            frame = kClock;
    return frames;
}

// The 32 requests of the calibration-log query, after `before`.
std::vector<std::string> WithLogRequests(std::vector<std::string> before)
{
    for (int record = 1; record <= 32; ++record) {
        char frame[32];
        std::snprintf(frame, sizeof frame, "AA 01 F8 %02X 00 00 00 %02X", record,
                      (0xAA + 0x01 + 0xF8 + record + 1) & 0xFF);
        before.push_back(frame);
    }
    return before;
}

std::string TodaysCode() { return DailyCode(); }
std::string WrongCode() { return TodaysCode() == "1" ? "2" : "1"; }

struct Case {
    std::string name;
    std::vector<std::string> arguments; // "{code}": today's code, "{port}": the simulator's port
    std::vector<std::string> simulator; // settings, e.g. "load 10"
    int exitCode;
    std::vector<std::string> frames; // what the controller received, in order
    std::vector<std::string> opLog;  // the operation-log lines written
    std::string output = {};         // a text the output contains
};

// clang-format off
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      // Reading.
      {"params", {"params"}, {"range 750"}, 0, {kClock, kParameters}, {}, "range: 750 kg"},
      {"probe", {"--timeout", "200", "ports", "--probe", "--port", "{port}"}, {}, 0, {kParameters}, {},
       "answers: range 15 kg"},
      {"log", {"log", "--csv"}, {"records 2"}, 0, WithLogRequests({kClock, kParameters}), {},
       "2,2023-03-06 09:16:00,499975,639971,10,2\n,,,,,\n"},
      // The slots after the two records are unused: null, not numbers of 0xFF bytes.
      {"log_unused_slots", {"--json", "log"}, {"records 2"}, 0, WithLogRequests({kClock, kParameters}), {},
       "\"type\": 2\n  },\n  null,\n  null"},
      {"snapshot", {"snapshot"}, {}, 0,
       WithLogRequests({kClock, kParameters, "AA 01 A3 00 00 00 00 4F", "AA 01 FB FF 00 00 00 A6",
                        "AA 01 01 00 00 00 00 AD"}),
       {}, "\"format_version\": 1"},
      {"version", {"version"}, {}, 0, {kClock, kParameters, "AA 01 01 00 00 00 00 AD"}, {}, "18"},
      {"version_text", {"version"}, {"silent 01"}, 0,
       {kClock, kParameters, "AA 01 01 00 00 00 00 AD", "AA 01 F2 00 00 00 00 9E"}, {}, "SCALE CTRL V1.8"},
      {"watch", {"watch", "--count", "3", "--csv"}, {"load 2.5"}, 0, {kClock, kParameters}, {},
       ",2.500,2.5,35000,10\n"},
      {"tracking_query", {"tracking", "query"}, {"tracking on"}, 0,
       {kClock, kParameters, "AA 01 A3 00 00 00 00 4F"}, {}, "on"},
      {"beeper_query", {"--json", "beeper", "query"}, {"beeper off"}, 0,
       {kClock, kParameters, "AA 01 FB FF 00 00 00 A6"}, {}, "\"beeper\": false"},
      // Weighing.
      {"zero", {"zero"}, {"load 0.2"}, 0, {kClock, kParameters, "AA 01 04 00 00 00 00 B0"}, {}, "手动置零成功！"},
      {"zero_too_far", {"zero"}, {"load 5"}, 4, {kClock, kParameters, "AA 01 04 00 00 00 00 B0"}, {}},
      {"shift_zero", {"shift-zero"}, {}, 0, {kClock, kParameters, "AA 01 05 00 00 00 00 B1"}, {}},
      // Settings: the window's log lines, the read-back of the set commands.
      {"clock", {"clock"}, {}, 0, {kClock, kParameters}, {}},
      {"tracking_on", {"tracking", "on"}, {}, 0, {kClock, kParameters, "AA 01 A1 00 00 00 00 4D"},
       {"设置零点跟踪开始", "零位跟踪配置成功"}},
      {"tracking_off", {"tracking", "off"}, {"tracking on"}, 0, {kClock, kParameters, "AA 01 A0 00 00 00 00 4C"},
       {"关闭零点跟踪开始", "零位跟踪配置成功"}},
      {"beeper_on", {"beeper", "on"}, {"beeper off"}, 0, {kClock, kParameters, "AA 01 FB 01 00 00 00 A8"},
       {"设置峰鸣器开启"}},
      {"beeper_off", {"beeper", "off"}, {}, 0, {kClock, kParameters, "AA 01 FB 00 00 00 00 A7"}, {"关闭峰鸣器开始"}},
      {"set_range", {"set", "range", "30"}, {}, 0, {kClock, kParameters, "AA 01 F5 1E 00 00 00 BF", kParameters},
       {"设置量程:30", "设置量程成功"}, "range: 30 kg"},
      {"set_division", {"set", "division", "5g"}, {}, 0,
       {kClock, kParameters, "AA 01 F4 01 00 00 00 A1", kParameters}, {"设置分度值:5g"}, "division: 5g"},
      {"set_gravity_place", {"set", "gravity", "--place", "北京市"}, {}, 0,
       {kClock, kParameters, "AA 01 F3 DF 7E 01 00 FD", kParameters}, {"设置加速度值,加速度值：9.8015"}, "[9.8015]"},
      {"set_gravity_row", {"set", "gravity", "--row", "30"}, {}, 0,
       {kClock, kParameters, "AA 01 F3 DF 7E 01 00 FD", kParameters}, {"设置加速度值,加速度值：9.8015"}},
      {"set_gravity_value", {"set", "gravity", "--value", "9.7936"}, {}, 0,
       {kClock, kParameters, "AA 01 F3 90 7E 01 00 AE", kParameters}, {"设置加速度值,加速度值：9.7936"}},
      {"set_gravity_latitude", {"set", "gravity", "--latitude", "39", "54", "27", "--altitude", "44"}, {}, 0,
       {kClock, kParameters, "AA 01 F3 DF 7E 01 00 FD", kParameters}, {"设置加速度值,加速度值：9.8015"}},
      // The controller has one gravity command; this one takes it for the place of use.
      {"set_gravity_calibration_place", {"set", "gravity", "--place", "广东", "--where", "calibration"}, {}, 5,
       {kClock, kParameters, "AA 01 F3 5B 7E 01 00 79", kParameters}, {"设置加速度值,加速度值：9.7883"}},
      // Refusals.
      {"refused_setting", {"set", "range", "30"}, {"refuse F5"}, 4, {kClock, kParameters, "AA 01 F5 1E 00 00 00 BF"},
       {"设置量程:30"}},
      {"refused_parameters", {"params"}, {"refuse F6"}, 4, {kClock, kParameters}, {}},
      {"silent", {"--timeout", "300", "zero"}, {"silent on"}, 3, {kClock, kParameters}, {}},
      // Unlock and calibration.
      {"unlock", {"unlock", "--code", "{code}"}, {}, 0, {kClock, kParameters, "AA 01 F9 00 00 00 00 A5"}, {}},
      {"calibrate_switch_closed", {"calibrate", "zero"}, {}, 4, {kClock, kParameters, "AA 01 02 00 00 00 00 AE"},
       {"零点标定"}},
      // A confirmed calibration is followed by its record's reads: parameters, version, log.
      {"calibrate_zero", {"calibrate", "zero", "--code", "{code}"}, {}, 0,
       WithLogRequests({kClock, kParameters, "AA 01 F9 00 00 00 00 A5", "AA 01 02 00 00 00 00 AE", kParameters,
                        kVersion}),
       {"零点标定", "零点标定成功"}, "as left: 0.000 kg"},
      {"calibrate_weight_steady", {"calibrate", "weight", "10"}, {"switch open", "load 10", "noise 10"}, 0,
       WithLogRequests({kClock, kParameters, "AA 01 03 0A 00 00 00 B9", kParameters, kVersion}),
       {"标定任一点:10", "任意点标定成功"}, "as left: 10.000 kg"},
      {"calibrate_weight_swinging", {"calibrate", "weight", "10", "--settle", "1500"},
       {"switch open", "load 10", "noise 3000"}, 6, {kClock, kParameters}, {}},
      // Bad input: a one-line error and nothing sent.
      {"wrong_code", {"unlock", "--code", "{wrong}"}, {}, 4, {}, {}},
      {"bad_range", {"set", "range", "16"}, {}, 1, {}, {}},
      {"bad_state", {"tracking", "maybe"}, {}, 1, {}, {}},
      {"bad_gravity", {"set", "gravity", "--value", "10.5"}, {}, 1, {}, {}},
      {"bad_place", {"set", "gravity", "--place", "火星"}, {}, 1, {}, {}},
      {"bad_latitude", {"set", "gravity", "--latitude", "39", "60", "0", "--altitude", "44"}, {}, 1, {}, {}},
      {"two_gravities", {"set", "gravity", "--row", "3", "--value", "9.79"}, {}, 1, {}, {}},
      {"calibration_value", {"set", "gravity", "--value", "9.79", "--where", "calibration"}, {}, 1, {}, {}},
      {"bad_weight", {"calibrate", "weight", "65536"}, {}, 1, {}, {}},
      {"bad_code_form", {"calibrate", "zero", "--code", "12a"}, {}, 1, {}, {}},
      {"bad_baud", {"--baud", "1234", "params"}, {}, 1, {}, {}},
      {"bad_timeout", {"--timeout", "0", "params"}, {}, 1, {}, {}},
      {"bad_count", {"watch", "--count", "0"}, {}, 1, {}, {}},
      {"no_command", {}, {}, 1, {}, {}},
      {"missing_file", {"apply", "/nonexistent/golden.json"}, {}, 1, {}, {}},
      {"no_such_port", {"--port", "/dev/nonexistent-scale", "params"}, {}, 2, {}, {}},
      {"version_flag", {"--version"}, {}, 0, {}, {}, "scale-cli "},
      // Under --json every failure ends the output with its JSON line.
      {"json_usage", {"--json", "--baud", "1234", "params"}, {}, 1, {}, {}, "\"code\":1,\"port\":null}"},
      {"json_no_port", {"--json", "--port", "/dev/nonexistent-scale", "params"}, {}, 2, {}, {},
       "\"code\":2,\"port\":\"/dev/nonexistent-scale\"}"},
      {"json_silent", {"--json", "--timeout", "300", "zero"}, {"silent on"}, 3, {kClock, kParameters}, {},
       "\"code\":3,\"port\":\""},
      {"json_refused", {"--json", "set", "range", "30"}, {"refuse F5"}, 4,
       {kClock, kParameters, "AA 01 F5 1E 00 00 00 BF"}, {"设置量程:30"}, "\"code\":4,\"port\":\""},
  };
  return cases;
}
// clang-format on

// Test names in listings: the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class CliCase : public ::testing::TestWithParam<Case> { };

} // namespace

TEST_P(CliCase, ExitCodeFramesAndOperationLog)
{
    const Case& c = GetParam();
    const auto sim = cli_target::StartSimulator();
    for (const std::string& setting : c.simulator)
        ASSERT_EQ(sim->Command(setting), "ok") << setting;
    const std::string port = cli_target::PortName(*sim);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
        arguments.push_back(argument == "{code}"    ? TodaysCode()
                            : argument == "{wrong}" ? WrongCode()
                            : argument == "{port}"  ? port
                                                    : argument);

    const CliResult result = RunCli(port, arguments);
    sim->WaitForFrames(c.frames.size(), 10s); // the simulator's log follows its input

    EXPECT_EQ(result.exitCode, c.exitCode) << result.errors;
    EXPECT_THAT(FramesSince(*sim, 0), ElementsAreArray(c.frames));
    EXPECT_THAT(result.opLog, ElementsAreArray(c.opLog));
    EXPECT_THAT(result.output, HasSubstr(c.output));
    if (c.exitCode == 0) {
        EXPECT_THAT(result.errors, IsEmpty());
    } else {
        // One line, naming what went wrong.
        EXPECT_THAT(Lines(result.errors), ::testing::SizeIs(1)) << result.errors;
        EXPECT_THAT(result.errors, ::testing::StartsWith("scale-cli: "));
        const std::vector<std::string> output = Lines(result.output);
        if (std::find(arguments.begin(), arguments.end(), "--json") != arguments.end()) {
            ASSERT_FALSE(output.empty());
            EXPECT_THAT(output.back(), ::testing::StartsWith("{\"error\":\""));
            EXPECT_THAT(output.back(),
                        HasSubstr(",\"code\":" + std::to_string(c.exitCode) + ",\"port\":"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ScaleCli, CliCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

// However fast the controller streams, from one frame in ten seconds to a
// full line, the answers and readings reach scale-cli in time: the port
// delivers what has arrived at once, not when the line falls quiet.
class CliAtRate : public ::testing::TestWithParam<std::string> { };

TEST_P(CliAtRate, ParamsWatchAndSnapshotSucceed)
{
    const std::string rate = GetParam();
    const auto sim = cli_target::StartSimulator();
    ASSERT_EQ(sim->Command("baud 115200"), "ok");
    ASSERT_EQ(sim->Command("rate " + rate), "ok");
    const std::string port = cli_target::PortName(*sim);
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string output;
    } runs[] = {
        {"params", {"params"}, "range: 15 kg"},
        // At 0.1 frames/s the next reading may be ten seconds away.
        {"watch", {"--timeout", "25000", "watch", "--count", "1", "--csv"}, "time,weight_kg,"},
        {"snapshot", {"snapshot"}, "\"format_version\": 1"},
    };
    for (const auto& run : runs) {
        const CliResult result = RunCli(port, run.arguments);
        EXPECT_EQ(result.exitCode, 0) << run.name << " at " << rate << ": " << result.errors;
        EXPECT_THAT(result.output, HasSubstr(run.output)) << run.name << " at " << rate;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CliAtRate,
                         ::testing::Values("0.1", "1", "10", "50", "120", "150", "200", "400",
                                           "600", "max"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = "rate_" + info.param;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

// A golden board's snapshot, a board that differs in four settings: diff
// names exactly those (against the board and against its snapshot), a dry
// run sends nothing, apply makes the board equal again.
TEST(CliSnapshot, DiffShowsTheChangedFieldsAndApplyMakesTheBoardEqual)
{
    const auto simulator = cli_target::StartSimulator();
    e2e::SimProcess& sim = *simulator;
    const std::string port = cli_target::PortName(sim);
    const support::TempDir tempDir("scale-cli-test");
    const std::string dir = tempDir.path();
    // The second name lies outside the ANSI code page 936: a Windows program
    // must open it by its wide name.
    const std::string goldenFile = dir + "/golden.json", changedFile = dir + "/changed-Größe.json";
    const std::string golden = cli_target::FileName(goldenFile),
                      changed = cli_target::FileName(changedFile);

    ASSERT_EQ(RunCli(port, {"snapshot", "-o", golden}).exitCode, 0);
    for (const char* setting : {"range 30", "gravity-use 97936", "tracking on", "beeper off"})
        ASSERT_EQ(sim.Command(setting), "ok");
    const std::vector<std::string> differences = {
        "parameters.range_kg: 15 -> 30",
        "parameters.use_place.gravity: 9.7894 -> 9.7936",
        "zero_tracking: false -> true",
        "beeper: true -> false",
    };
    const CliResult live = RunCli(port, {"diff", golden});
    EXPECT_EQ(live.exitCode, 5);
    EXPECT_THAT(Lines(live.output), ElementsAreArray(differences));
    ASSERT_EQ(RunCli(port, {"snapshot", "-o", changed}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(changedFile)) << "not written under its own name";
    const CliResult files = RunCli(port, {"diff", golden, changed});
    EXPECT_EQ(files.exitCode, 5);
    EXPECT_THAT(Lines(files.output), ElementsAreArray(differences));

    const size_t beforeDryRun = sim.ReceivedFrames().size();
    const CliResult dryRun = RunCli(port, {"apply", golden, "--dry-run"});
    EXPECT_EQ(dryRun.exitCode, 0);
    EXPECT_THAT(dryRun.output, HasSubstr("AA 01 F5 0F 00 00 00 B0"));

    // What the board received after the dry run is apply's alone: the dry
    // run sent nothing.
    const size_t beforeApply = beforeDryRun;
    const CliResult apply = RunCli(port, {"apply", golden});
    EXPECT_EQ(apply.exitCode, 0) << apply.errors;
    const std::vector<std::string> written = {
        kClock,
        kParameters,
        "AA 01 F3 66 7E 01 00 84", // gravity 9.7894
        "AA 01 F5 0F 00 00 00 B0", // range 15
        "AA 01 F4 00 00 00 00 A0", // division default
        "AA 01 A0 00 00 00 00 4C", // zero tracking off
        "AA 01 FB 01 00 00 00 A8", // beeper on
        kParameters,               // read back
        "AA 01 A3 00 00 00 00 4F",
        "AA 01 FB FF 00 00 00 A6",
    };
    sim.WaitForFrames(beforeApply + written.size(), 10s);
    EXPECT_THAT(FramesSince(sim, beforeApply), ElementsAreArray(written));
    EXPECT_THAT(apply.opLog,
                ElementsAreArray({"设置加速度值,加速度值：9.7894", "设置量程:15", "设置量程成功",
                                  "设置分度值:默认", "关闭零点跟踪开始", "零位跟踪配置成功",
                                  "设置峰鸣器开启"}));

    const CliResult after = RunCli(port, {"diff", golden});
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_THAT(after.output, IsEmpty());
}

// The production line's gate: a board whose calibration log differs from the
// golden board's passes verify, while diff still shows the log; verify
// fails on a setting, as JSON too. diff can leave the log out.
TEST(CliSnapshot, VerifyComparesOnlyWhatApplyWrites)
{
    const auto simulator = cli_target::StartSimulator();
    e2e::SimProcess& sim = *simulator;
    const std::string port = cli_target::PortName(sim);
    const support::TempDir tempDir("scale-cli-test");
    const std::string golden = cli_target::FileName(tempDir.path() + "/golden.json");
    ASSERT_EQ(RunCli(port, {"snapshot", "-o", golden}).exitCode, 0);
    ASSERT_EQ(sim.Command("records 6"), "ok");

    const CliResult verified = RunCli(port, {"verify", golden});
    EXPECT_EQ(verified.exitCode, 0) << verified.errors;
    EXPECT_THAT(verified.output, HasSubstr("every setting as in "));
    const CliResult diff = RunCli(port, {"diff", golden});
    EXPECT_EQ(diff.exitCode, 5);
    EXPECT_THAT(Lines(diff.output),
                ElementsAreArray({"calibration_log record 6: null -> {\"no\":6,\"time\":"
                                  "\"2023-04-21 15:50:00\",\"zero_ad\":499999,\"any_ad\":710003,"
                                  "\"weight_kg\":15,\"type\":2}"}));
    struct LeaveOut {
        std::string option, field;
        int exitCode;
    };
    for (const LeaveOut& c :
         {LeaveOut{"--ignore", "calibration_log", 0},
          LeaveOut{"--ignore", "calibration_log record 6", 0}, LeaveOut{"--ignore", "version", 5},
          LeaveOut{"--only", "settable", 0}, LeaveOut{"--ignore", "calibration_logs", 1}})
        EXPECT_EQ(RunCli(port, {"diff", golden, c.option, c.field}).exitCode, c.exitCode)
            << c.option << ' ' << c.field;

    ASSERT_EQ(sim.Command("range 30"), "ok");
    const CliResult different = RunCli(port, {"--json", "verify", golden});
    EXPECT_EQ(different.exitCode, 5);
    EXPECT_THAT(different.output,
                HasSubstr("\"equal\": false,\n  \"differences\": [\n    {\n      \"field\": "
                          "\"parameters.range_kg\",\n      \"expected\": 15,\n      "
                          "\"actual\": 30\n    }\n  ]"));
    EXPECT_THAT(Lines(different.output).back(), HasSubstr("\"code\":5"));
}

// A silent controller: exit 3 once the time-out has passed (how soon after
// it, bench/cli_timing.sh measures).
TEST(CliTimeout, SilentControllerEndsWithinTheTimeout)
{
    const auto sim = cli_target::StartSimulator({"--silent", "on"});
    const auto start = std::chrono::steady_clock::now();
    const CliResult result = RunCli(cli_target::PortName(*sim), {"--timeout", "1000", "snapshot"});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_THAT(result.output, IsEmpty());
    // Opening waits 2 x 100 ms before the parameter request, as in the window.
    EXPECT_GE(elapsed, 1200ms);
}

// The controller goes away while readings stream: exit 2.
TEST(CliPort, LostPortEndsWatchWithExitTwo)
{
    auto sim = cli_target::StartSimulator();
    const auto run = cli_target::StartCli(cli_target::PortName(*sim), {"watch"});
    ASSERT_TRUE(sim->WaitForLog("RX " + kParameters, 10s)) << run->ReadFile("program.err");
    // Readings stream once the first is printed.
    ASSERT_TRUE(support::WaitUntil([&] { return !run->ReadFile("program.out").empty(); }))
        << run->ReadFile("program.err");
    sim.reset();
    EXPECT_EQ(run->WaitForExit(10s), std::optional<int>(2)) << run->ReadFile("program.err");
    EXPECT_THAT(run->ReadFile("program.err"), HasSubstr("the port was lost"));
}
