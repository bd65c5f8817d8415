// scale-cli and the files it reads and writes when they are not what they
// should be (a link to another file, a FIFO, a directory, a device, an
// empty, oversized, deeply nested or mistyped snapshot, a damaged record
// file, a bad settings value, a full disk): a one-line message and the
// documented exit code, never a signal or a hang, and never a write
// through a link.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// A directory of the test's own, removed at the end.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "cli-files-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string Text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// scale-cli with `arguments`, its records in `dataHome`, to its end.
CliResult RunCli(const std::string& port, const std::string& dataHome,
                 std::vector<std::string> arguments, int baud = 115200)
{
    e2e::ProgramRun run({.program = SCALE_CLI_PATH,
                         .port = port,
                         .baud = baud,
                         .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + dataHome},
                         .arguments = std::move(arguments)});
    CliResult result;
    result.exitCode = run.WaitForExit(60s).value_or(-1);
    result.output = run.ReadFile("program.out");
    result.errors = run.ReadFile("program.err");
    return result;
}

size_t LineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

// Snapshots that are no snapshots, for apply (--dry-run: no port is
// opened) and diff of two files: exit 1 with one line naming the file and
// what is wrong; a link to a good snapshot is read as the snapshot.
TEST(CliFiles, SnapshotsThatAreNoSnapshots)
{
    e2e::SimProcess sim;
    Scratch dir;
    const CliResult taken =
        RunCli(sim.PortPath(), dir.path(), {"snapshot", "-o", dir / "good.json"});
    ASSERT_EQ(taken.exitCode, 0) << taken.errors;

    struct Case {
        const char* name;
        std::function<std::string()> make; // returns the file's path
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"a link to a snapshot",
         [&] {
             fs::create_symlink(dir / "good.json", dir / "link.json");
             return dir / "link.json";
         },
         0, ""},
        {"missing", [&] { return dir / "missing.json"; }, 1,
         "cannot be read: No such file or directory"},
        {"a directory",
         [&] {
             fs::create_directory(dir / "folder.json");
             return dir / "folder.json";
         },
         1, "cannot be read: not a regular file"},
        {"a FIFO nobody writes",
         [&] {
             ::mkfifo((dir / "fifo.json").c_str(), 0600);
             return dir / "fifo.json";
         },
         1, "cannot be read: not a regular file"},
        {"a device", [] { return std::string("/dev/zero"); }, 1,
         "cannot be read: not a regular file"},
        {"0 bytes",
         [&] {
             Write(dir / "empty.json", "");
             return dir / "empty.json";
         },
         1, "not a JSON document"},
        {"2 MB of numbers",
         [&] {
             std::string numbers = "[";
             while (numbers.size() < (2u << 20))
                 numbers += "1234567,";
             Write(dir / "big.json", numbers + "1]");
             return dir / "big.json";
         },
         1, "cannot be read: larger than 1 MB, not a snapshot"},
        {"nested 300000 levels deep",
         [&] {
             Write(dir / "deep.json", std::string(300000, '[') + std::string(300000, ']'));
             return dir / "deep.json";
         },
         1, "nested more than 64 levels deep, not a snapshot"},
        {"wrong types",
         [&] {
             std::string text = Text(dir / "good.json");
             text.replace(text.find("\"range_kg\": "), 12, "\"range_kg\": \"15\", \"x\": ");
             Write(dir / "typed.json", text);
             return dir / "typed.json";
         },
         1, "parameters.range_kg: a whole number from 0 to 65535 is required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.make();
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"apply", file, "--dry-run"},
              std::vector<std::string>{"diff", file, dir / "good.json"}}) {
            SCOPED_TRACE(arguments.front());
            const CliResult result = RunCli(sim.PortPath(), dir.path(), arguments);
            EXPECT_EQ(result.exitCode, c.exitCode) << result.errors;
            if (c.exitCode != 0) {
                EXPECT_EQ(result.errors, "scale-cli: " + file + ": " + c.message + "\n");
            }
        }
    }
}

// Where snapshot -o writes: a link is replaced by the snapshot, its target
// keeps its bytes; a directory or a FIFO is refused before anything is
// sent (exit 1); a full disk after the reads leaves the old file and exit
// 7.
TEST(CliFiles, SnapshotOutputNeverThroughALink)
{
    e2e::SimProcess sim;
    Scratch dir;
    Write(dir / "users-file.txt", "kept");
    fs::create_symlink(dir / "users-file.txt", dir / "link.json");
    const CliResult linked =
        RunCli(sim.PortPath(), dir.path(), {"snapshot", "-o", dir / "link.json"});
    EXPECT_EQ(linked.exitCode, 0) << linked.errors;
    EXPECT_EQ(Text(dir / "users-file.txt"), "kept");
    EXPECT_FALSE(fs::is_symlink(dir / "link.json"));
    EXPECT_THAT(Text(dir / "link.json"), HasSubstr("\"format\": \"scale-cli snapshot\""));

    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const std::string& place : {dir / "folder", dir / "fifo"}) {
        SCOPED_TRACE(place);
        const size_t framesBefore = sim.ReceivedFrames().size();
        const CliResult refused = RunCli(sim.PortPath(), dir.path(), {"snapshot", "-o", place});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.errors,
                  "scale-cli: -o " + place + ": cannot be written: not a regular file\n");
        EXPECT_EQ(sim.ReceivedFrames().size(), framesBefore);
    }

    const std::string small = dir / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (needs CAP_SYS_ADMIN): full disk not tried";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{small};
    Write(small + "/golden.json", "old");
    Write(small + "/filler", std::string(64 << 10, 'x')); // cut short: the disk is full
    const CliResult full =
        RunCli(sim.PortPath(), dir.path(), {"snapshot", "-o", small + "/golden.json"});
    EXPECT_EQ(full.exitCode, 7);
    EXPECT_EQ(full.errors, "scale-cli: -o " + small +
                               "/golden.json: cannot be written: No space left on device\n");
    EXPECT_EQ(Text(small + "/golden.json"), "old");
}

// The record file of a calibration: a link in its place is not written
// through (the calibration is done, exit 7, the target unchanged); a file
// damaged since its last record takes the new one, with the damage named
// and exit 7. The folder made for the records is the user's alone.
TEST(CliFiles, CalibrationRecordNeverSilentlyMissingOrContinued)
{
    e2e::SimProcess sim({"--switch", "open", "--load", "10", "--range", "15"});
    Scratch dir;
    const std::string records = dir / "scale-config/calibration-records.jsonl";
    const auto calibrate = [&] {
        return RunCli(sim.PortPath(), dir.path(), {"calibrate", "weight", "10"});
    };

    const CliResult first = calibrate();
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    struct stat info { };
    ASSERT_EQ(::stat((dir / "scale-config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Two lines: the second's own hash no longer matches after an edit.
    const CliResult second = calibrate();
    ASSERT_EQ(second.exitCode, 0) << second.errors;
    std::string text = Text(records);
    const size_t secondLine = text.find('\n') + 1;
    text[text.find("\"time\":\"", secondLine) + 8] = '1';
    Write(records, text);
    const CliResult damaged = calibrate();
    EXPECT_EQ(damaged.exitCode, 7);
    EXPECT_THAT(damaged.errors,
                HasSubstr("标定记录文件已损坏：" + records + "，第2行：内容与其哈希不符"));
    EXPECT_THAT(damaged.output, HasSubstr("record: "));
    EXPECT_EQ(LineCount(Text(records)), 3u);
    EXPECT_EQ(Text(records).substr(0, text.size()), text);

    fs::rename(records, dir / "users-file.txt");
    fs::create_symlink(dir / "users-file.txt", records);
    const std::string before = Text(dir / "users-file.txt");
    const CliResult linked = calibrate();
    EXPECT_EQ(linked.exitCode, 7);
    EXPECT_THAT(linked.errors,
                HasSubstr("calibrate: the calibration is done, but its record was not written"));
    EXPECT_EQ(Text(dir / "users-file.txt"), before);
}

// BaudRate of the settings file that is no rate scale-cli can use: exit 1
// naming the key, nothing sent; --baud wins over it.
TEST(CliFiles, BadBaudRateInTheSettingsFileIsNamed)
{
    e2e::SimProcess sim;
    Scratch dir;
    for (int baud : {0, -5, 12345}) {
        SCOPED_TRACE(baud);
        const size_t framesBefore = sim.ReceivedFrames().size();
        const CliResult bad = RunCli(sim.PortPath(), dir.path(), {"params"}, baud);
        EXPECT_EQ(sim.ReceivedFrames().size(), framesBefore);
        EXPECT_EQ(bad.exitCode, 1);
        EXPECT_THAT(bad.errors,
                    HasSubstr("[CommSet] BaudRate=" + std::to_string(baud) + " is not allowed"));
        EXPECT_EQ(LineCount(bad.errors), 1u);
        EXPECT_EQ(RunCli(sim.PortPath(), dir.path(), {"--baud", "115200", "params"}, baud).exitCode,
                  0);
    }
}

// No port on the command line nor in the settings file: a usage error that
// names what to give and the serial devices present, never a guessed name;
// commands that need no port still run.
TEST(CliFiles, NoPortAnywhereIsAskedFor)
{
    Scratch dir;
    const CliResult params = RunCli("", dir.path(), {"params"});
    EXPECT_EQ(params.exitCode, 1);
    EXPECT_THAT(params.errors, ::testing::StartsWith("scale-cli: no port: give --port (or CommNo "
                                                     "in datalink.ini); "));
    EXPECT_EQ(LineCount(params.errors), 1u);
    EXPECT_EQ(RunCli("", dir.path(), {"ports"}).exitCode, 0);
}

// A failure's JSON line stays JSON when the message carries bytes that are
// no UTF-8 (a port or file name): they are replaced, the program never aborts.
TEST(CliFiles, JsonFailureWithBytesThatAreNoUtf8)
{
    Scratch dir;
    const CliResult result =
        RunCli("", dir.path(), {"--json", "--port", "/dev/\xFF\xFE", "params"});
    EXPECT_EQ(result.exitCode, 2) << result.errors;
    EXPECT_THAT(result.output, ::testing::StartsWith("{\"error\":\"--port /dev/\xEF\xBF\xBD"));
    EXPECT_THAT(result.output, HasSubstr("\"code\":2,\"port\":\"/dev/\xEF\xBF\xBD"));
}

namespace {

// Whether the process has a handler of its own for SIGTERM (/proc's SigCgt).
bool CatchesSigterm(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

} // namespace

// watch ends on SIGTERM as on Ctrl-C (exit 0), at once, also while it still
// waits for its first reading under a time-out of ten minutes.
TEST(CliFiles, WatchEndsOnSigtermBeforeItsFirstReading)
{
    e2e::SimProcess sim({"--rate", "0"});
    Scratch dir;
    e2e::ProgramRun run({.program = SCALE_CLI_PATH,
                         .port = sim.PortPath(),
                         .baud = 115200,
                         .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME=" + dir.path()},
                         .arguments = {"--timeout", "600000", "watch"}});
    ASSERT_TRUE(support::WaitUntil([&] { return CatchesSigterm(run.Pid()); }))
        << run.ReadFile("program.err");
    ASSERT_EQ(kill(run.Pid(), SIGTERM), 0);
    EXPECT_EQ(run.WaitForExit(60s), std::optional<int>(0)) << run.ReadFile("program.err");
}
