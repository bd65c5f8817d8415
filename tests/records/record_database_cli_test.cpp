// scale-cli with the lab's records database: calibrations against
// scale-sim go to the database, one made during an outage stays in the
// station's file and goes up at the next start, and records list, push and
// verify answer from the database.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "e2e_harness.h"
#include "temp_dir.h"
#include "test_database.h"

using namespace std::chrono_literals;
using records_test::TestDatabase;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

} // namespace

TEST(RecordDatabaseCli, CalibrationsReachTheDatabaseAlsoAfterAnOutage)
{
    const TestDatabase database("records_cli");
    e2e::SimProcess sim({"--switch", "open", "--load", "10", "--range", "15"});
    const support::TempDir dataDir("records-cli");
    const auto runCli = [&](std::vector<std::string> arguments) {
        e2e::ProgramRun run({.program = SCALE_CLI_PATH,
                             .port = sim.PortPath(),
                             .baud = 115200,
                             .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + dataDir.path(),
                                             "SCALE_RECORDS_DATABASE=" + database.uri(),
                                             "SCALE_RECORDS_STATION=bench-a"},
                             .arguments = std::move(arguments)});
        CliResult result;
        result.exitCode = run.WaitForExit(60s).value_or(-1);
        result.output = run.ReadFile("program.out");
        result.errors = run.ReadFile("program.err");
        return result;
    };
    const auto listed = [&] {
        const CliResult list = runCli({"records", "list", "--json"});
        EXPECT_EQ(list.exitCode, 0) << list.errors;
        return nlohmann::json::parse(list.output).at("records");
    };

    const CliResult first = runCli({"calibrate", "weight", "10", "--operator", "Li"});
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_THAT(first.errors, Not(HasSubstr("records database")));
    ASSERT_EQ(listed().size(), 1u);

    TestDatabase::StopServer();
    const CliResult during = runCli({"calibrate", "weight", "10"});
    TestDatabase::StartServer();
    EXPECT_EQ(during.exitCode, 0) << during.errors;
    EXPECT_THAT(during.errors, HasSubstr("not yet in the records database"));
    EXPECT_EQ(listed().size(), 1u);

    // The next session uploads it before its own record.
    const CliResult after = runCli({"calibrate", "weight", "10"});
    EXPECT_EQ(after.exitCode, 0) << after.errors;
    EXPECT_THAT(after.errors, HasSubstr("uploaded 1 earlier record(s)"));
    const CliResult push = runCli({"records", "push"});
    EXPECT_EQ(push.exitCode, 0) << push.errors;
    EXPECT_THAT(push.output, HasSubstr("uploaded 0 record(s)"));

    const nlohmann::json records = listed();
    ASSERT_EQ(records.size(), 3u);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].at("station"), "bench-a");
        EXPECT_EQ(records[i].at("sequence"), i + 1);
        EXPECT_EQ(records[i].at("kind"), "weight");
    }
    EXPECT_EQ(records[0].at("operator"), "Li");
    EXPECT_LT(records[0].at("certificate"), records[2].at("certificate"));

    const CliResult verify = runCli({"records", "verify"});
    EXPECT_EQ(verify.exitCode, 0) << verify.errors;
    EXPECT_THAT(verify.output, HasSubstr("bench-a: 记录链完整，共3条记录"));
}

// Without a database, push says how to name one and list shows the file.
TEST(RecordDatabaseCli, WithoutADatabaseListShowsTheFileAndPushIsAUsageError)
{
    const support::TempDir dataDir("records-cli");
    const auto run = [&](std::vector<std::string> arguments) {
        e2e::ProgramRun program(
            {.program = SCALE_CLI_PATH,
             .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + dataDir.path()},
             .arguments = std::move(arguments)});
        CliResult result;
        result.exitCode = program.WaitForExit(60s).value_or(-1);
        result.output = program.ReadFile("program.out");
        result.errors = program.ReadFile("program.err");
        return result;
    };
    const CliResult push = run({"records", "push"});
    EXPECT_EQ(push.exitCode, 1);
    EXPECT_THAT(push.errors, HasSubstr("SCALE_RECORDS_DATABASE"));
    const CliResult list = run({"records", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.errors;
    EXPECT_EQ(list.output, "");
    const CliResult badSince = run({"records", "list", "--since", "yesterday"});
    EXPECT_EQ(badSince.exitCode, 1);
}
