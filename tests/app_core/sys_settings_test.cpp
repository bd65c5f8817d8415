// LoadSystemSettings through a copy of the probe program, which reads the
// datalink.ini beside itself at start-up, as the program does.

#include "app_core/sys_settings.h"

#include "test_support.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>

namespace {

std::string LoadedSysSet(const TempDir& dir, const std::optional<std::string>& ini)
{
    if (ini)
        WriteFileBytes(dir / "datalink.ini", *ini);
    const ProbeRun run = RunProgram(InstallProbe(dir.path()), {"sysset"}, {});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

TEST(LoadSystemSettings, DefaultsWithoutFileSectionOrValidValues)
{
    const std::string defaults = "startwithsys=0\nwriteResult=1\nWriteCommLog=0\n"
                                 "maxsizeResult=512000\nDelayCount=200\nShopNO=\n";
    const std::optional<std::string> files[] = {
        std::nullopt,
        "[CommSet]\r\nCommNo=COM1\r\nBaudRate=9600\r\n",
        "[SysSet]\r\nstartwithsys=yes\r\nwriteResult=\r\nWriteCommLog=1.0\r\n"
        "maxsizeResult=0x\r\nDelayCount=99999999999\r\n",
    };
    for (const auto& file : files) {
        TempDir dir;
        EXPECT_EQ(LoadedSysSet(dir, file), defaults) << file.value_or("no file");
        if (!file) {
            EXPECT_FALSE(FileExists(dir / "datalink.ini")); // reading creates nothing
        }
    }
}

TEST(LoadSystemSettings, ReadsEveryKeyWhateverTheCaseOfItsName)
{
    TempDir dir;
    EXPECT_EQ(LoadedSysSet(dir, "[CommSet]\r\n"
                                "CommNo=COM1\r\n"
                                "[sysset]\r\n"
                                "STARTWITHSYS=5\r\n"
                                "writeresult=0\r\n"
                                "WriteCommLog=-1\r\n"
                                "maxsizeresult=0x10000\r\n"
                                "delaycount = 50\r\n"
                                "shopno= 店 A12 \r\n"),
              "startwithsys=1\nwriteResult=0\nWriteCommLog=1\nmaxsizeResult=65536\n"
              "DelayCount=50\nShopNO=店 A12\n");
}

TEST(LoadSystemSettings, WindowLanguage)
{
    const struct {
        std::optional<std::string> ini;
        const char* shown;
    } cases[] = {
        {std::nullopt, "Language=\n"},
        {"[SysSet]\r\nLanguage=en\r\n", "Language=en\n"},
        {"[sysset]\r\nlanguage = zh \r\n", "Language=zh\n"},
        {"[CommSet]\r\nLanguage=en\r\n", "Language=\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.ini)
            WriteFileBytes(dir / "datalink.ini", *c.ini);
        const ProbeRun run = RunProgram(InstallProbe(dir.path()), {"language"}, {});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.shown) << c.ini.value_or("no file");
    }
}

// The start-up read of a settings file that is no settings file neither
// waits nor reads without end: every key takes its default, at once.
#ifndef _WIN32
// A FIFO and a link to /dev/zero: POSIX calls make them.
TEST(LoadSystemSettings, NoWaitAndNoEndlessReadForAFileThatIsNoSettingsFile)
{
    const std::string defaults = "startwithsys=0\nwriteResult=1\nWriteCommLog=0\n"
                                 "maxsizeResult=512000\nDelayCount=200\nShopNO=\n";
    const std::string settings = "[SysSet]\r\nDelayCount=50\r\n";
    const struct {
        const char* name;
        void (*make)(const std::string& path, const std::string& settings);
    } cases[] = {
        {"a FIFO nobody writes",
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
         }},
        {"a link to /dev/zero",
         [](const std::string& path, const std::string&) {
             ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
         }},
        {"a file over 1 MB",
         [](const std::string& path, const std::string& settings) {
             WriteFileBytes(path, settings + std::string((1 << 20) + 1 - settings.size(), ' '));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        c.make(dir / "datalink.ini", settings);
        const ProbeRun run =
            RunProgram(InstallProbe(dir.path()), {"sysset"}, {}, support::kGenerousLimit);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, defaults);
    }
    // A file of exactly 1 MB is still read.
    TempDir dir;
    WriteFileBytes(dir / "datalink.ini", settings + std::string((1 << 20) - settings.size(), ' '));
    EXPECT_NE(LoadedSysSet(dir, std::nullopt).find("DelayCount=50\n"), std::string::npos);
}

#endif

} // namespace
