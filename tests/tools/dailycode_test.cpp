// Runs the built dailycode program and checks what it prints and returns.

#include "protocol/daily_code.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readAll(int fd)
{
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

// Runs dailycode with the arguments; its output is small, so reading the
// two pipes one after the other cannot block.
ProgramRun runDailycode(std::vector<std::string> args)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(DAILYCODE_PATH)};
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(DAILYCODE_PATH, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    ProgramRun run;
    run.out = readAll(out[0]);
    run.err = readAll(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
    const std::string before = GetDailyCode();
    const ProgramRun run = runDailycode({});
    const std::string after = GetDailyCode();
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
