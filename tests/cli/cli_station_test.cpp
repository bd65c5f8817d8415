// scale-cli station on a made-up machine (a sysfs tty class, /dev and
// /dev/serial/by-id in a temporary folder, SCALE_DEVICE_TREE) whose device
// nodes link to scale-sim's pseudo-terminals: boards plugged in one after
// another each get one result, a board pulled out mid-way is reported and
// not passed, and SIGTERM ends with the summary.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "protocol/daily_code.h"
#include "temp_dir.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

// The made-up machine: a USB adapter's tty with a by-id link, its node a
// link to a pseudo-terminal.
class DeviceTree {
public:
    DeviceTree()
    {
        fs::create_directories(Path("sys/class/tty"));
        fs::create_directories(Path("dev/serial/by-id"));
    }
    const std::string& root() const { return dir_.path(); }

    // Returns the by-id name the station sees.
    std::string Plug(const std::string& tty, const std::string& pty)
    {
        const fs::path device = Path("sys/devices/usb1/1-" + tty + "/" + tty);
        fs::create_directories(device);
        fs::create_directories(Path("sys/class/tty/" + tty));
        fs::create_directory_symlink(device, Path("sys/class/tty/" + tty + "/device"));
        fs::create_symlink(pty, Path("dev/" + tty));
        const fs::path byId = Path("dev/serial/by-id/usb-FTDI_" + tty + "-if00-port0");
        fs::create_symlink("../../" + tty, byId);
        return byId.string();
    }
    void Unplug(const std::string& tty)
    {
        fs::remove(Path("dev/serial/by-id/usb-FTDI_" + tty + "-if00-port0"));
        fs::remove(Path("dev/" + tty));
        fs::remove_all(Path("sys/class/tty/" + tty));
    }

private:
    fs::path Path(const std::string& relative) const { return fs::path(dir_.path()) / relative; }
    support::TempDir dir_{"station-tree"};
};

std::vector<json> JsonLines(const std::string& text)
{
    std::vector<json> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        values.push_back(json::parse(line));
    return values;
}

class Station : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The golden board's snapshot.
        e2e::ProgramRun snapshot({.program = SCALE_CLI_PATH,
                                  .port = golden_.PortPath(),
                                  .baud = 115200,
                                  .arguments = {"snapshot", "-o", GoldenFile()}});
        ASSERT_EQ(snapshot.WaitForExit(60s), 0) << snapshot.ReadFile("program.err");
    }
    std::string GoldenFile() const { return files_.path() + "/golden.json"; }

    std::unique_ptr<e2e::ProgramRun> StartStation(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--json", "station", GoldenFile()});
        auto station = std::make_unique<e2e::ProgramRun>(e2e::ProgramRunOptions{
            .program = SCALE_CLI_PATH,
            .port = "",
            .baud = 115200,
            .environment = {"LC_ALL=C.UTF-8", "SCALE_DEVICE_TREE=" + tree_.root(),
                            "XDG_DATA_HOME=" + files_.path()},
            .arguments = std::move(arguments)});
        EXPECT_TRUE(support::WaitUntil(
            [&] {
                return station->ReadFile("program.err").find("waiting for boards") !=
                       std::string::npos;
            },
            60s));
        return station;
    }
    // The station's results so far.
    static std::vector<json> Results(const e2e::ProgramRun& station)
    {
        return JsonLines(station.ReadFile("program.out"));
    }

    e2e::SimProcess golden_{{"--range", "30", "--tracking", "on", "--beeper", "off"}};
    support::TempDir files_{"station-files"};
    DeviceTree tree_;
};

// Twenty boards plugged in one after another: twenty results, each board
// once, all passed and set as the golden board; SIGTERM ends with the
// summary. The boards are two simulators, each plugged in under a new name
// every time, as a line of boards of one kind would be.
TEST_F(Station, TakesEveryBoardPluggedInOnce)
{
    e2e::SimProcess boards[2] = {e2e::SimProcess({"--range", "15"}), e2e::SimProcess()};
    auto station = StartStation({});
    std::vector<std::string> plugged;
    for (int i = 0; i < 20; ++i) {
        const std::string tty = "ttyUSB" + std::to_string(i);
        plugged.push_back(tree_.Plug(tty, boards[i % 2].PortPath()));
        ASSERT_TRUE(support::WaitUntil(
            [&] { return Results(*station).size() == static_cast<size_t>(i + 1); }, 60s))
            << "board " << i << ": " << station->ReadFile("program.err");
        tree_.Unplug(tty);
    }
    EXPECT_EQ(station->Stop(), 0) << station->ReadFile("program.err");
    const std::vector<json> results = Results(*station);
    ASSERT_EQ(results.size(), 21u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(results[i]["port"], plugged[i]);
        EXPECT_EQ(results[i]["passed"], true) << results[i].dump();
    }
    EXPECT_EQ(results[20]["summary"]["boards"], 20);
    EXPECT_EQ(results[20]["summary"]["passed"], 20);
    EXPECT_EQ(results[20]["summary"]["failed"], 0);
    for (const e2e::SimProcess& board : boards)
        EXPECT_THAT(board.ReceivedFrames(), ::testing::Contains(HasSubstr("AA 01 F5")))
            << "the range of the golden board was set";
}

// A board pulled out while the station works on it is reported as such and
// never counted as passed; the exit code says a board failed.
TEST_F(Station, ABoardPulledOutMidWayIsNotPassed)
{
    // Slow answers keep the station busy with the board.
    auto board = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--delay", "400"});
    auto station = StartStation({"--timeout", "5000"});
    tree_.Plug("ttyUSB0", board->PortPath());
    ASSERT_TRUE(support::WaitUntil([&] { return !board->ReceivedFrames().empty(); }, 60s));
    tree_.Unplug("ttyUSB0");
    board.reset();
    ASSERT_TRUE(support::WaitUntil([&] { return Results(*station).size() == 1; }, 60s))
        << station->ReadFile("program.err");
    const int exitCode = station->Stop();
    const std::vector<json> results = Results(*station);
    // The board, the summary, and the failure's JSON line.
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["passed"], false);
    EXPECT_EQ(results[0]["unplugged"], true);
    EXPECT_EQ(results[0]["exitCode"], 2);
    EXPECT_EQ(results[1]["summary"]["failed"], 1);
    EXPECT_EQ(results[2]["code"], 2);
    EXPECT_EQ(exitCode, 2);
}

// With the day's code in a file, the empty platform's zero is calibrated
// too, and its record names the board's port.
TEST_F(Station, WithACodeFileTheZeroIsCalibratedToo)
{
    e2e::SimProcess board({"--load", "0"});
    const std::string codeFile = files_.path() + "/code.txt";
    std::ofstream(codeFile) << DailyCode() << "\n";
    auto station = StartStation({"--calibrate-with", codeFile});
    const std::string port = tree_.Plug("ttyUSB0", board.PortPath());
    ASSERT_TRUE(support::WaitUntil([&] { return Results(*station).size() == 1; }, 60s))
        << station->ReadFile("program.err");
    EXPECT_EQ(station->Stop(), 0) << station->ReadFile("program.err");
    EXPECT_EQ(Results(*station)[0]["passed"], true) << station->ReadFile("program.err");
    std::ifstream records(files_.path() + "/scale-config/calibration-records.jsonl");
    std::string line;
    ASSERT_TRUE(std::getline(records, line));
    EXPECT_EQ(json::parse(line)["kind"], "zero");
    EXPECT_EQ(json::parse(line)["port"], port);
}

} // namespace
