// Where the settings file and the logs lie, through copies of the probe
// program: beside the executable when its directory can be written, else
// in the user's configuration and data directories.

#include "app_core/file_places.h"

#include "test_support.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path)
{
    struct stat info { };
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Every file below `dir`, as paths relative to it, in name order.
std::vector<std::string> FilesBelow(const std::string& dir)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (!entry.is_directory())
            files.push_back(fs::relative(entry.path(), dir).string());
    std::sort(files.begin(), files.end());
    return files;
}

// A user id without an entry in the user database, for running the probe
// as an ordinary user when the tests run as root.
uid_t UnusedUserId()
{
    uid_t uid = 61000;
    while (getpwuid(uid))
        ++uid;
    return uid;
}

// The probe in a directory it cannot write, as an installed program is:
// run as an ordinary user (a user id of its own when the tests run as root,
// since root may write anywhere), with a home directory of that user's.
class InstalledProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
        mkdir(bin.c_str(), 0755);
        mkdir(home.c_str(), 0755);
        probe = InstallProbe(bin);
        fs::permissions(probe,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        ASSERT_EQ(chmod(bin.c_str(), 0555), 0);
        if (geteuid() == 0) {
            user = UnusedUserId();
            ASSERT_EQ(chown(home.c_str(), user, user), 0);
        }
        env["HOME"] = home;
        env["XDG_CONFIG_HOME"] = std::nullopt;
        env["XDG_DATA_HOME"] = std::nullopt;
        env["LC_ALL"] = "C.UTF-8";
    }

    void TearDown() override { chmod(bin.c_str(), 0755); }

    ProbeRun Run(const std::vector<std::string>& args)
    {
        if (geteuid() != 0)
            return RunProgram(probe, args, env);
        const std::string id = std::to_string(user);
        std::vector<std::string> asUser{"--reuid=" + id, "--regid=" + id, "--clear-groups", probe};
        asUser.insert(asUser.end(), args.begin(), args.end());
        return RunProgram("/usr/bin/setpriv", asUser, env);
    }

    // Writes a file as the user would (owned by the user under root).
    void WriteAsUser(const std::string& path, const std::string& bytes)
    {
        fs::create_directories(fs::path(path).parent_path());
        WriteFileBytes(path, bytes);
        if (geteuid() != 0)
            return;
        for (fs::path p = path; p != fs::path(home); p = p.parent_path())
            ASSERT_EQ(chown(p.c_str(), user, user), 0);
    }

    TempDir dir;
    std::string bin = dir / "bin";
    std::string home = dir / "home";
    std::string probe;
    uid_t user = 0;
    std::map<std::string, std::optional<std::string>> env;
};

TEST_F(InstalledProgramTest, SettingsAndLogsLieInTheUsersDirectoriesMadeOnFirstUse)
{
    const std::string config = home + "/.config/scale-config";
    const std::string data = home + "/.local/share/scale-config";

    // The first start makes the configuration directory; a log's directory
    // comes with its first line.
    ProbeRun run = Run({"sysset"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ModeOf(config), 0700u);
    EXPECT_FALSE(FileExists(data));
    for (const char* command : {"result", "err", "op"}) {
        run = Run({command, "实际值：2.5,"});
        ASSERT_EQ(run.exitCode, 0) << command << ": " << run.err;
    }
    EXPECT_EQ(ModeOf(home + "/.local"), 0700u);
    EXPECT_EQ(ModeOf(data), 0700u);
    EXPECT_THAT(ReadFileBytes(data + "/Result.txt"), EndsWith(" -- 实际值：2.5,\r\n"));
    EXPECT_THAT(ReadFileBytes(data + "/ResultErr.txt"), EndsWith(" -- 实际值：2.5,\r\n"));
    EXPECT_THAT(ReadFileBytes(home + "/oplog.txt"), EndsWith(" -- 实际值：2.5,\r\n"));
    EXPECT_EQ(FilesBelow(bin), std::vector<std::string>{"app_probe"});

    // The settings are read from there.
    WriteAsUser(config + "/datalink.ini", "[SysSet]\r\nShopNO=A12\r\nwriteResult=0\r\n");
    run = Run({"sysset"});
    EXPECT_THAT(run.out, HasSubstr("writeResult=0\n"));
    EXPECT_THAT(run.out, HasSubstr("ShopNO=A12\n"));
}

TEST_F(InstalledProgramTest, AbsoluteXdgDirectoriesAreUsedOthersIgnored)
{
    const struct {
        const char* name;
        std::optional<std::string> configHome, dataHome;
        std::string config, data; // below `home`
    } cases[] = {
        {"absolute, with a final slash", home + "/cfg/", home + "/share//", "/cfg/scale-config",
         "/share/scale-config"},
        {"relative", "cfg", "share", "/.config/scale-config", "/.local/share/scale-config"},
        {"empty", "", "", "/.config/scale-config", "/.local/share/scale-config"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(home + "/cfg");
        fs::remove_all(home + "/share");
        fs::remove_all(home + "/.config");
        fs::remove_all(home + "/.local");
        env["XDG_CONFIG_HOME"] = c.configHome;
        env["XDG_DATA_HOME"] = c.dataHome;
        const ProbeRun run = Run({"result", "x"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ModeOf(home + c.config), 0700u);
        EXPECT_TRUE(FileExists(home + c.data + "/Result.txt"));
    }
}

TEST_F(InstalledProgramTest, ADirectoryThatCannotBeMadeFailsTheWriteWithItsName)
{
    WriteAsUser(home + "/plain", "x");
    env["XDG_DATA_HOME"] = home + "/plain/share";
    for (const char* command : {"result", "err"}) {
        const ProbeRun run = Run({command, "lost"});
        EXPECT_EQ(run.exitCode, 3) << command;
        EXPECT_THAT(run.err, HasSubstr(home + "/plain/share/scale-config/"));
    }
}

TEST(PortableUse, EverythingLiesBesideTheExecutableWhateverTheXdgDirectories)
{
    TempDir dir;
    const std::string bin = dir / "bin";
    const std::string home = dir / "home";
    mkdir(bin.c_str(), 0755);
    mkdir(home.c_str(), 0755);
    const std::string probe = InstallProbe(bin);
    WriteFileBytes(bin + "/datalink.ini", "[SysSet]\r\nShopNO=B7\r\n");
    const std::map<std::string, std::optional<std::string>> env{
        {"HOME", home}, {"XDG_CONFIG_HOME", home + "/cfg"}, {"XDG_DATA_HOME", home + "/share"}};

    EXPECT_THAT(RunProgram(probe, {"sysset"}, env).out, HasSubstr("ShopNO=B7\n"));
    for (const char* command : {"result", "err", "op"})
        ASSERT_EQ(RunProgram(probe, {command, "x"}, env).exitCode, 0) << command;
    EXPECT_THAT(FilesBelow(bin),
                ::testing::ElementsAre("Result.txt", "ResultErr.txt", "app_probe", "datalink.ini"));
    EXPECT_EQ(FilesBelow(home), std::vector<std::string>{"oplog.txt"});
}

} // namespace
