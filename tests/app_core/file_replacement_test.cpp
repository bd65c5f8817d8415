// Files made for the user (snapshots, certificates, CSV tables): put in
// place whole or not at all, never written through a link, never waited on,
// and no temporary file left behind after a failure.

#include "app_core/file_io.h"

#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path)
{
    struct stat info { };
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

} // namespace

// What lies in the file's place before the write: what the write does to
// it, and that a link's target (a file of the user's) keeps its bytes.
TEST(FileReplacement, EachKindOfPlace)
{
    struct Case {
        const char* name;
        std::function<void(const TempDir&, const std::string& place)> make;
        bool written;
        const char* message; // FileErrorText of the failure
    };
    const Case cases[] = {
        {"nothing", [](const TempDir&, const std::string&) {}, true, ""},
        {"a file", [](const TempDir&, const std::string& p) { WriteFileBytes(p, "old"); }, true,
         ""},
        {"a link to a file of the user's",
         [](const TempDir& d, const std::string& p) {
             ASSERT_EQ(symlink((d / "target").c_str(), p.c_str()), 0);
         },
         true, ""},
        {"a link to nowhere",
         [](const TempDir& d, const std::string& p) {
             ASSERT_EQ(symlink((d / "nowhere").c_str(), p.c_str()), 0);
         },
         true, ""},
        {"a directory",
         [](const TempDir&, const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }, false,
         "not a regular file"},
        {"a FIFO nobody reads",
         [](const TempDir&, const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, false,
         "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileBytes(dir / "target", "the user's own file");
        const std::string place = dir / "out.pdf";
        c.make(dir, place);
        const std::vector<std::string> before = Names(dir.path());
        const std::error_code error = PlaceWholeFile(place, "new bytes");
        EXPECT_EQ(ReadFileBytes(dir / "target"), "the user's own file");
        if (c.written) {
            EXPECT_FALSE(error) << error.message();
            EXPECT_TRUE(S_ISREG(ModeOf(place)));
            EXPECT_EQ(ReadFileBytes(place), "new bytes");
        } else {
            EXPECT_EQ(FileErrorText(error), c.message);
            EXPECT_EQ(Names(dir.path()), before);
        }
    }
}

// A device is refused before anything is made beside it.
TEST(FileReplacement, DeviceIsRefused)
{
    EXPECT_EQ(FileErrorText(PlaceWholeFile("/dev/null", "x")), "not a regular file");
}

// A file replaced keeps its permissions; prepare tells early whether the
// place can take the file, and a replacement never committed leaves nothing.
TEST(FileReplacement, KeepsPermissionsAndLeavesNothingUncommitted)
{
    TempDir dir;
    const std::string place = dir / "golden.json";
    WriteFileBytes(place, "old");
    ASSERT_EQ(chmod(place.c_str(), 0640), 0);
    ASSERT_FALSE(PlaceWholeFile(place, "new"));
    EXPECT_EQ(ModeOf(place) & 0777, 0640u);
    {
        FileReplacement abandoned(place);
        EXPECT_FALSE(abandoned.prepare());
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"golden.json"});
    EXPECT_EQ(ReadFileBytes(place), "new");
    EXPECT_TRUE(PlaceWholeFile(dir / "missing-folder/file", "x"));
}

// A full disk: the old file stays as it was, no cut-off file and no
// temporary file remain. Needs a small tmpfs of its own.
TEST(FileReplacement, FullDiskKeepsTheOldFile)
{
    TempDir dir;
    if (mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (needs CAP_SYS_ADMIN)";
    struct Unmount {
        std::string path;
        ~Unmount() { umount(path.c_str()); }
    } unmount{dir.path()};
    const std::string place = dir / "cert.pdf";
    WriteFileBytes(place, "old certificate");
    const std::error_code error = PlaceWholeFile(place, std::string(1 << 20, 'x'));
    EXPECT_EQ(error, std::errc::no_space_on_device);
    EXPECT_EQ(ReadFileBytes(place), "old certificate");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"cert.pdf"});
}
