// scale-cli on several ports at once, as a production line runs it: every
// port its own run, a result per port under its name, the worst exit code,
// and records and operation-log lines that say which port and board they
// were about.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "temp_dir.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using json = nlohmann::json;

namespace {

// A pseudo-terminal nobody answers on.
class SilentPort {
public:
    SilentPort()
    {
        char name[64];
        int slave = -1;
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            name_ = name;
        }
    }
    ~SilentPort()
    {
        if (master_ >= 0)
            close(master_);
    }
    const std::string& name() const { return name_; }

private:
    int master_ = -1;
    std::string name_;
};

struct CliResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
    std::string operationLog;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class SeveralPorts : public ::testing::Test {
protected:
    CliResult Run(std::vector<std::string> arguments)
    {
        e2e::ProgramRun run({.program = SCALE_CLI_PATH,
                             .port = "",
                             .baud = 115200,
                             .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + data_.path()},
                             .arguments = std::move(arguments)});
        CliResult result;
        result.exitCode = run.WaitForExit(120s).value_or(-1);
        result.output = run.ReadFile("program.out");
        result.errors = run.ReadFile("program.err");
        result.operationLog = run.ReadFile("oplog.txt");
        return result;
    }
    std::string RecordFile() const
    {
        return data_.path() + "/scale-config/calibration-records.jsonl";
    }

    // Open switch: the calibration is done. Closed: the controller refuses it.
    e2e::SimProcess open_{{"--switch", "open", "--load", "0"}};
    e2e::SimProcess closed_{{"--switch", "closed", "--load", "0"}};
    SilentPort silent_;
    support::TempDir data_{"cli-ports"};
};

// Three ports: one calibrates, one refuses, one is silent. Each gets its
// own result and the exit code is the worst of them; the record and the
// log lines of the port that worked name it and its board.
TEST_F(SeveralPorts, EachPortItsResultAndTheWorstExitCode)
{
    const std::vector<std::string> ports = {open_.PortPath(), closed_.PortPath(), silent_.name()};
    const CliResult text =
        Run({"--port", ports[0], "--port", ports[1], "--port", ports[2], "--board-id", "SN-A",
             "--board-id", "SN-B", "--board-id", "SN-C", "--timeout", "300", "calibrate", "zero"});
    EXPECT_EQ(text.exitCode, 4) << text.output << text.errors; // refused beats no answer (3)
    EXPECT_THAT(text.output, HasSubstr(ports[0] + ": done\n"));
    EXPECT_THAT(text.output, HasSubstr(ports[1] + ": failed, exit 4\n"));
    EXPECT_THAT(text.output, HasSubstr(ports[2] + ": failed, exit 3\n"));
    EXPECT_THAT(text.output, HasSubstr("3 ports: 1 succeeded, 2 failed\n"));
    for (const std::string& line : Lines(text.output))
        EXPECT_TRUE(line.rfind(ports[0] + ": ", 0) == 0 || line.rfind(ports[1] + ": ", 0) == 0 ||
                    line.rfind(ports[2] + ": ", 0) == 0 || line.rfind("3 ports: ", 0) == 0)
            << "a line under no port: " << line;
    EXPECT_THAT(text.errors, HasSubstr(ports[2] + ": scale-cli: "));

    // One record, of the port that calibrated, naming it and its board.
    std::ifstream in(RecordFile());
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << RecordFile();
    const json record = json::parse(line);
    EXPECT_EQ(record["port"], ports[0]);
    EXPECT_EQ(record["board"], "SN-A");
    EXPECT_FALSE(std::getline(in, line)) << "a second record: " << line;

    // Every operation-log line says whose it is.
    std::map<std::string, int> linesOf;
    for (const std::string& logLine : Lines(text.operationLog)) {
        const size_t tag = logLine.find(" -- [port=");
        ASSERT_NE(tag, std::string::npos) << logLine;
        linesOf[logLine.substr(tag + 4, logLine.find(']', tag) - tag - 3)]++;
    }
    EXPECT_GT((linesOf["[port=" + ports[0] + " board=SN-A]"]), 0);
    EXPECT_GT((linesOf["[port=" + ports[1] + " board=SN-B]"]), 0);
}

// Under --json: one object per port a line, then the summary; a failed
// port's error is the {error, code, port} its own run gave.
TEST_F(SeveralPorts, JsonGivesAnObjectPerPortAndASummary)
{
    const std::vector<std::string> ports = {open_.PortPath(), silent_.name(), "/dev/no-such-port"};
    const CliResult run = Run({"--json", "--timeout", "300", "--port", ports[0], "--port", ports[1],
                               "--port", ports[2], "params"});
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 4u) << run.output;
    std::map<std::string, json> byPort;
    for (size_t i = 0; i < 3; ++i) {
        const json result = json::parse(lines[i]);
        ASSERT_TRUE(result.is_object()) << lines[i];
        for (const char* key : {"port", "board", "exitCode", "result", "error"})
            EXPECT_TRUE(result.contains(key)) << key << " missing in " << lines[i];
        byPort[result["port"]] = result;
    }
    EXPECT_EQ(byPort[ports[0]]["exitCode"], 0);
    EXPECT_EQ(byPort[ports[0]]["result"]["range_kg"], 15);
    EXPECT_TRUE(byPort[ports[0]]["error"].is_null());
    EXPECT_EQ(byPort[ports[1]]["exitCode"], 3);
    EXPECT_EQ(byPort[ports[1]]["error"]["code"], 3);
    EXPECT_EQ(byPort[ports[2]]["exitCode"], 2);
    EXPECT_EQ(byPort[ports[2]]["error"]["port"], ports[2]);
    EXPECT_THAT(byPort[ports[2]]["error"]["error"].get<std::string>(), HasSubstr("absent"));
    EXPECT_EQ(json::parse(lines[3]),
              json::parse(R"({"summary":{"ports":3,"succeeded":1,"failed":2,"exitCode":3}})"));
}

// Board ids that do not pair with the ports are refused before anything is sent.
TEST_F(SeveralPorts, BoardIdsMustPairWithThePorts)
{
    const size_t framesBefore = open_.ReceivedFrames().size();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--port", open_.PortPath(), "--port", closed_.PortPath(),
                                   "--board-id", "SN-A", "params"},
          std::vector<std::string>{"--port", open_.PortPath(), "--board-id", "SN-A", "--board-id",
                                   "SN-B", "params"},
          std::vector<std::string>{"--ports-from-probe", "--port", open_.PortPath(), "params"}}) {
        const CliResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 1) << run.errors;
        EXPECT_THAT(run.errors, HasSubstr("--"));
    }
    EXPECT_EQ(open_.ReceivedFrames().size(), framesBefore);
}

} // namespace
