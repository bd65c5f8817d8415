// The settings and log files of the Windows build, through a copy of the
// probe program in a folder of its own: the result and error logs beside
// it, the operation log in C:\oplog.txt, the text in the ANSI code page.

#include "app_core/locale_text.h"
#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class Win32LogFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A folder name in Chinese and with a blank: the path reaches the
        // system as UTF-16, whatever the code page.
        bin = dir.path() + "\\称重 工具";
        std::filesystem::create_directory(
            std::filesystem::path(std::u8string(bin.begin(), bin.end())));
        probe = InstallProbe(bin);
    }

    ProbeRun Run(const std::vector<std::string>& args) { return RunProgram(probe, args, {}); }

    TempDir dir;
    std::string bin;
    std::string probe;
};

TEST_F(Win32LogFiles, ExePathIsTheFolderOfTheRunningProgram)
{
    EXPECT_EQ(Run({"exepath"}).out, bin + "\\");
}

TEST_F(Win32LogFiles, LinesBesideTheProgramAreInTheAnsiCodePage)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "not a Simplified Chinese workstation (ANSI code page " << GetACP() << ")";
    ASSERT_EQ(Run({"result", "设置量程成功😀"}).exitCode, 0);
    const std::string content = ReadFileBytes(bin + "\\Result.txt");
    // "Time" + the full-width colon A3 BA, the text in GBK, "?" for the emoji,
    // one CR LF.
    EXPECT_THAT(content, StartsWith("Time\xA3\xBA"));
    EXPECT_THAT(content, EndsWith(" -- \xC9\xE8\xD6\xC3\xC1\xBF\xB3\xCC\xB3\xC9\xB9\xA6?\r\n"));
    EXPECT_EQ(content.find('\n'), content.size() - 1) << "one line, no CR LF doubling";
}

TEST_F(Win32LogFiles, ErrorLogIsEmptiedAtItsLimitTheResultLogIsNot)
{
    const struct {
        const char* command;
        const char* file;
        size_t size;
        bool kept;
    } cases[] = {
        {"err", "ResultErr.txt", 131071, true},
        {"err", "ResultErr.txt", 131072, false},
        {"result", "Result.txt", 300000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = bin + "\\" + c.file;
        WriteFileBytes(path, std::string(c.size, 'x'));
        ASSERT_EQ(Run({c.command, "new"}).exitCode, 0);
        const std::string content = ReadFileBytes(path);
        EXPECT_EQ(content.size() > c.size, c.kept);
        EXPECT_THAT(content, EndsWith(" -- new\r\n"));
    }
}

TEST_F(Win32LogFiles, ResultLogRaisesWhenItCannotBeWritten)
{
    std::filesystem::create_directory(std::filesystem::path(std::u8string(bin.begin(), bin.end())) /
                                      "Result.txt");
    const ProbeRun run = Run({"result", "lost"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_THAT(run.err, HasSubstr("Result.txt"));
}

TEST_F(Win32LogFiles, OperationLogIsCOplogTxt)
{
    const std::string oplog = "C:\\oplog.txt";
    const size_t before = FileExists(oplog) ? ReadFileBytes(oplog).size() : 0;
    ASSERT_EQ(Run({"op", "开机"}).exitCode, 0);
    const std::string content = ReadFileBytes(oplog);
    ASSERT_GT(content.size(), before) << "nothing written to " << oplog;
    EXPECT_THAT(content.substr(before), EndsWith(" -- " + Utf8ToLocaleCharset("开机") + "\r\n"));
}

} // namespace
