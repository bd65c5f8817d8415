// Runs the built dailycode program and checks what it prints and returns.

#include "protocol/daily_code.h"

#include "run_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using support::ProgramRun;

ProgramRun runDailycode(const std::vector<std::string>& args)
{
    return support::RunProgram(DAILYCODE_PATH, args);
}

} // namespace

TEST(DailycodeProgram, CodeOfAGivenDay)
{
    const ProgramRun run = runDailycode({"2026-12-10"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "31461\n");
    EXPECT_EQ(run.err, "");
}

TEST(DailycodeProgram, TodayWithoutArgument)
{
    const std::string before = DailyCode();
    const ProgramRun run = runDailycode({});
    const std::string after = DailyCode();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out == before + "\n" || run.out == after + "\n") << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(DailycodeProgram, BadDateIsAClearErrorAndNonZeroExit)
{
    for (const char* bad : {"2026-02-30", "abc", "2026-13-01", "2026-12-1", "2026/12/10",
                            "2026-12-10x", "0000-01-01", ""}) {
        SCOPED_TRACE(bad);
        const ProgramRun run = runDailycode({bad});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("'" + std::string(bad) + "' is not a valid date"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("YYYY-MM-DD"), std::string::npos);
    }
}

TEST(DailycodeProgram, UsageAndHelp)
{
    const ProgramRun tooMany = runDailycode({"2026-12-10", "2026-12-11"});
    EXPECT_EQ(tooMany.exitCode, 2);
    EXPECT_EQ(tooMany.out, "");
    EXPECT_NE(tooMany.err.find("usage: dailycode [YYYY-MM-DD]"), std::string::npos);

    const ProgramRun help = runDailycode({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: dailycode [YYYY-MM-DD]"), std::string::npos);
}

TEST(DailycodeProgram, LeapDay)
{
    EXPECT_EQ(runDailycode({"2024-02-29"}).out, "27123\n");
    EXPECT_EQ(runDailycode({"2023-02-29"}).exitCode, 1);
}
