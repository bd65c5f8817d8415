// scale-cli's calibration records, as a production line leaves them: a
// calibration against scale-sim appends one, records verify checks the
// chain.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "temp_dir.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

} // namespace

// A calibration from the command line leaves the same record as one in the
// window, with the operator and the test weight named on the command line;
// records verify passes the intact file and names the line of a changed one.
TEST(CliRecords, CalibrationLeavesAChainedRecordThatVerifyChecks)
{
    e2e::SimProcess sim({"--switch", "open", "--load", "10", "--range", "15"});
    const support::TempDir dataDir("cli-records");
    const std::string dataHome = dataDir.path();
    const std::string records = dataHome + "/scale-config/calibration-records.jsonl";
    const auto runCli = [&](std::vector<std::string> arguments) {
        e2e::ProgramRun run({.program = SCALE_CLI_PATH,
                             .port = sim.PortPath(),
                             .baud = 115200,
                             .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + dataHome},
                             .arguments = std::move(arguments)});
        CliResult result;
        result.exitCode = run.WaitForExit(60s).value_or(-1);
        result.output = run.ReadFile("program.out");
        result.errors = run.ReadFile("program.err");
        return result;
    };

    const CliResult calibrated =
        runCli({"calibrate", "weight", "10", "--operator", "李工", "--weight-id", "M1-10kg-07"});
    ASSERT_EQ(calibrated.exitCode, 0) << calibrated.errors;
    EXPECT_THAT(calibrated.output, HasSubstr("record: "));
    std::ifstream in(records);
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << records;
    EXPECT_THAT(line, HasSubstr("\"operator\":\"李工\""));
    EXPECT_THAT(line, HasSubstr("\"testWeightId\":\"M1-10kg-07\""));
    EXPECT_THAT(line, HasSubstr("\"weightKg\":10"));
    in.close();

    const CliResult intact = runCli({"records", "verify"});
    EXPECT_EQ(intact.exitCode, 0) << intact.errors;
    EXPECT_THAT(intact.output, HasSubstr("记录链完整，共1条记录"));

    // One byte of the record changed.
    std::string text = line + "\n";
    text[text.find("M1-10kg-07") + 3] = '2';
    std::ofstream(records, std::ios::binary | std::ios::trunc) << text;
    const CliResult broken = runCli({"records", "verify"});
    EXPECT_EQ(broken.exitCode, 5);
    EXPECT_THAT(broken.output, HasSubstr("第1行：内容与其哈希不符"));
    EXPECT_THAT(broken.errors, HasSubstr("line 1 breaks the chain"));
}
