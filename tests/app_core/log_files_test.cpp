// The logs through a copy of the probe program: the result and error logs
// land beside the copy, the operation log in the HOME given to it.

#include "app_core/log_files.h"

#include "protocol/date_time.h"
#include "test_support.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

namespace {

using ::testing::HasSubstr;

enum class Log { Op, Result, Err };

class LogFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mkdir(bin.c_str(), 0755);
        mkdir(home.c_str(), 0755);
        probe = InstallProbe(bin);
    }

    ProbeRun Run(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8")
    {
        env["HOME"] = home;
        env["LC_ALL"] = locale;
        return RunProgram(probe, args, env);
    }

    std::string PathOf(Log log) const
    {
        return log == Log::Op       ? home + "/oplog.txt"
               : log == Log::Result ? bin + "/Result.txt"
                                    : bin + "/ResultErr.txt";
    }

    static const char* CommandOf(Log log)
    {
        return log == Log::Op ? "op" : log == Log::Result ? "result" : "err";
    }

    TempDir dir;
    std::string bin = dir / "bin";
    std::string home = dir / "home";
    std::string probe;
    std::map<std::string, std::optional<std::string>> env;
};

// The moment written in a log line, checked against the clock around the run.
DateTime StampOf(const std::string& stamp, Log log)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (log == Log::Err) {
        const int n = std::sscanf(stamp.c_str(), "%d/%d/%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
        EXPECT_TRUE(n == 3 || n == 6) << stamp;
    } else {
        EXPECT_EQ(std::sscanf(stamp.c_str(), "%d-%d-%d %d:%d:%d %d", &y, &mo, &d, &h, &mi, &s, &ms),
                  7);
    }
    return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

// Splits `content` into log lines; each must have the form of its log.
std::vector<std::string> TextsOf(const std::string& content, Log log, DateTime from, DateTime to)
{
    static const std::regex withMs("Time：(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\d{3}) -- ");
    static const std::regex regional(
        "Time：(\\d{4}/\\d{1,2}/\\d{1,2}(?: \\d{1,2}:\\d\\d:\\d\\d)?) -- ");
    const std::regex& head = log == Log::Err ? regional : withMs;
    // The error log's time has no milliseconds.
    const DateTime earliest = log == Log::Err ? from - 1.0 / 86400 : from;

    std::vector<std::string> texts;
    auto begin = content.cbegin();
    std::smatch m;
    while (begin != content.cend()) {
        if (!std::regex_search(begin, content.cend(), m, head,
                               std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "not a log line: " << std::string(begin, content.cend());
            break;
        }
        const DateTime stamp = StampOf(m[1], log);
        EXPECT_GE(stamp, earliest) << m[1];
        EXPECT_LE(stamp, to) << m[1];
        // The text runs to the CR LF that comes before the next line's head.
        const std::string rest(m[0].second, content.cend());
        size_t end = rest.find("\r\nTime：");
        end = end == std::string::npos ? rest.size() - 2 : end;
        EXPECT_EQ(rest.substr(end, 2), "\r\n");
        texts.push_back(rest.substr(0, end));
        begin = m[0].second + static_cast<long>(end + 2);
    }
    return texts;
}

TEST_F(LogFilesTest, EveryLogAppendsOneLinePerCallInItsForm)
{
    for (Log log : {Log::Op, Log::Result, Log::Err}) {
        SCOPED_TRACE(CommandOf(log));
        WriteFileBytes(PathOf(log), "");
        const DateTime from = CurrentDateTime();
        const ProbeRun run = Run({CommandOf(log), "设置量程成功", "", "two\r\nlines", "last"});
        const DateTime to = CurrentDateTime();
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(TextsOf(ReadFileBytes(PathOf(log)), log, from, to),
                    ::testing::ElementsAre("设置量程成功", "", "two\r\nlines", "last"));
    }
}

TEST_F(LogFilesTest, MissingLogIsCreatedAndExistingContentKept)
{
    for (Log log : {Log::Op, Log::Result, Log::Err}) {
        SCOPED_TRACE(CommandOf(log));
        ASSERT_FALSE(FileExists(PathOf(log)));
        ASSERT_EQ(Run({CommandOf(log), "first"}).exitCode, 0);
        const std::string once = ReadFileBytes(PathOf(log));
        EXPECT_EQ(TextsOf(once, log, 0, CurrentDateTime()).size(), 1u);
        ASSERT_EQ(Run({CommandOf(log), "second"}).exitCode, 0);
        const std::string twice = ReadFileBytes(PathOf(log));
        EXPECT_EQ(twice.substr(0, once.size()), once);
        EXPECT_THAT(twice, ::testing::EndsWith(" -- second\r\n"));
    }
    // WriteLog is the result log under a second name.
    ASSERT_EQ(Run({"log", "third"}).exitCode, 0);
    EXPECT_THAT(ReadFileBytes(PathOf(Log::Result)), ::testing::EndsWith(" -- third\r\n"));
}

TEST(RegionalDateTimeText, ShortDateAndLongTimeWithoutLeadingZeros)
{
    EXPECT_EQ(RegionalDateTimeText(EncodeDateTime(2015, 3, 7, 8, 4, 9, 15)), "2015/3/7 8:04:09");
    EXPECT_EQ(RegionalDateTimeText(EncodeDateTime(2026, 12, 10, 23, 59, 59, 999)),
              "2026/12/10 23:59:59");
    EXPECT_EQ(RegionalDateTimeText(EncodeDateTime(2015, 3, 7, 0, 0, 0, 1)), "2015/3/7 0:00:00");
    // Exactly midnight shows the date alone.
    EXPECT_EQ(RegionalDateTimeText(EncodeDateTime(2015, 3, 7)), "2015/3/7");
}

TEST_F(LogFilesTest, ErrorLogStartsAnewOnceItHolds131072Bytes)
{
    const std::string movedAside = bin + "/ResultErr.1.txt";
    const struct {
        size_t size;
        bool kept;
    } cases[] = {{0, true}, {131071, true}, {131072, false}, {300000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string old(c.size, 'x');
        WriteFileBytes(PathOf(Log::Err), old);
        WriteFileBytes(movedAside, "older");
        ASSERT_EQ(Run({"err", "new"}).exitCode, 0);
        const std::string content = ReadFileBytes(PathOf(Log::Err));
        const std::string line = c.kept ? content.substr(old.size()) : content;
        EXPECT_EQ(content.substr(0, old.size()) == old, c.kept);
        EXPECT_THAT(TextsOf(line, Log::Err, 0, CurrentDateTime()), ::testing::ElementsAre("new"));
        // The full log is kept beside the new one, in place of an older one.
        EXPECT_EQ(ReadFileBytes(movedAside), c.kept ? "older" : old);
    }
}

TEST_F(LogFilesTest, ResultLogMovesAsideOnceItHoldsMaxsizeResultBytes)
{
    const std::string movedAside = bin + "/Result.1.txt";
    const struct {
        const char* setting; // [SysSet] maxsizeResult; nullptr: none (512000)
        size_t size;
        bool kept;
    } cases[] = {
        {nullptr, 300000, true}, {nullptr, 511999, true}, {nullptr, 512000, false},
        {"1000", 999, true},     {"1000", 1000, false},   {"1000", 5000, false},
        {"0", 600000, true},     {"-1", 600000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.setting ? c.setting : "no key") << ", " << c.size);
        WriteFileBytes(bin + "/datalink.ini",
                       c.setting ? std::string("[SysSet]\r\nmaxsizeResult=") + c.setting + "\r\n"
                                 : "");
        const std::string old(c.size, 'x');
        WriteFileBytes(PathOf(Log::Result), old);
        std::filesystem::remove(movedAside);
        ASSERT_EQ(Run({"result", "new"}).exitCode, 0);
        const std::string content = ReadFileBytes(PathOf(Log::Result));
        EXPECT_EQ(content.substr(0, old.size()) == old, c.kept);
        EXPECT_THAT(content, ::testing::EndsWith(" -- new\r\n"));
        EXPECT_EQ(FileExists(movedAside), !c.kept);
        if (!c.kept) {
            EXPECT_EQ(ReadFileBytes(movedAside), old);
        }
    }
}

TEST_F(LogFilesTest, NoLineIsCutOrLostWhereTheLogMovesAside)
{
    // Lines of 60 bytes or so: the switch comes within the run.
    WriteFileBytes(bin + "/datalink.ini", "[SysSet]\r\nmaxsizeResult=1000\r\n");
    WriteFileBytes(bin + "/Result.1.txt", "older");
    std::vector<std::string> texts;
    for (int i = 0; i < 30; ++i)
        texts.push_back("实际值：" + std::to_string(i) + ".125,");
    std::vector<std::string> args{"result"};
    args.insert(args.end(), texts.begin(), texts.end());
    ASSERT_EQ(Run(args).exitCode, 0);

    const std::string first = ReadFileBytes(bin + "/Result.1.txt");
    const std::string second = ReadFileBytes(PathOf(Log::Result));
    EXPECT_GE(first.size(), 1000u);
    EXPECT_LT(second.size(), 1000u);
    EXPECT_FALSE(second.empty());
    // Each file holds whole lines, and together all of them in order.
    const std::vector<std::string> before = TextsOf(first, Log::Result, 0, CurrentDateTime());
    std::vector<std::string> all = before;
    for (const std::string& text : TextsOf(second, Log::Result, 0, CurrentDateTime()))
        all.push_back(text);
    EXPECT_EQ(all, texts);
}

TEST_F(LogFilesTest, WriteResultSettingSwitchesTheResultLog)
{
    const struct {
        const char* value;
        bool written;
    } cases[] = {{"0", false}, {"5", true}, {"0x0", false}, {"off", true}, {nullptr, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "no key");
        std::remove(PathOf(Log::Result).c_str());
        WriteFileBytes(bin + "/datalink.ini",
                       c.value ? std::string("[SysSet]\r\nwriteResult=") + c.value + "\r\n" : "");
        ASSERT_EQ(Run({"result", "measured"}).exitCode, 0);
        ASSERT_EQ(Run({"log", "logged"}).exitCode, 0);
        ASSERT_EQ(FileExists(PathOf(Log::Result)), c.written);
    }
    // Switched off, an existing file is not touched either.
    WriteFileBytes(bin + "/datalink.ini", "[sysset]\nWRITERESULT=0\n");
    WriteFileBytes(PathOf(Log::Result), "old");
    ASSERT_EQ(Run({"result", "measured"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(PathOf(Log::Result)), "old");
}

TEST_F(LogFilesTest, LinesAreInTheLocaleCharacterSet)
{
    // A zh_CN.GBK locale of our own, so the system needs none installed.
    const std::string locales = dir / "locales";
    mkdir(locales.c_str(), 0755);
    const ProbeRun made =
        RunProgram("/usr/bin/localedef", {"-i", "zh_CN", "-f", "GBK", locales + "/zh_CN.GBK"}, {});
    if (made.exitCode != 0)
        GTEST_SKIP() << "localedef cannot make zh_CN.GBK (package locales missing?): " << made.err;
    env["LOCPATH"] = locales;

    ASSERT_EQ(Run({"op", "设置量程成功😀"}, "zh_CN.GBK").exitCode, 0);
    const std::string content = ReadFileBytes(PathOf(Log::Op));
    // "Time" + full-width colon A3 BA, the text in GBK, "?" for the emoji.
    const std::regex line("Time\xA3\xBA\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\d{3} -- "
                          "\xC9\xE8\xD6\xC3\xC1\xBF\xB3\xCC\xB3\xC9\xB9\xA6\\?\r\n");
    EXPECT_TRUE(std::regex_match(content, line)) << content;

    // In a plain ASCII locale the full-width colon cannot be shown either.
    ASSERT_EQ(Run({"result", "ok"}, "C").exitCode, 0);
    EXPECT_THAT(ReadFileBytes(PathOf(Log::Result)), ::testing::StartsWith("Time?"));
}

TEST_F(LogFilesTest, ResultAndErrorLogRaiseWhenTheFileCannotBeWritten)
{
    // The executable's directory vanishes while the program runs.
    for (const char* command : {"result", "err"}) {
        SCOPED_TRACE(command);
        const ProbeRun run = Run({"--remove-own-dir", command, "lost"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_THAT(run.err, HasSubstr(bin + "/"));
        EXPECT_THAT(run.err, HasSubstr("No such file or directory"));
        mkdir(bin.c_str(), 0755);
        probe = InstallProbe(bin);
    }

    // A full disk is a device node like /dev/full in the log's place (not
    // a link: links are never followed).
    const bool fullDevice = mknod((dir / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    const struct {
        Log log;
        bool directory; // else a full disk
        const char* failure;
    } cases[] = {
        {Log::Result, true, "Is a directory"},
        {Log::Err, true, "Is a directory"},
        {Log::Result, false, "No space left on device"},
        {Log::Err, false, "No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        if (!c.directory && !fullDevice) {
            ADD_FAILURE() << "cannot make a device node (the tests run as root)";
            continue;
        }
        const std::string path = PathOf(c.log);
        std::filesystem::remove_all(path);
        if (c.directory)
            mkdir(path.c_str(), 0755);
        else
            ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
        const ProbeRun run = Run({CommandOf(c.log), "lost"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_THAT(run.err, HasSubstr(path));
        EXPECT_THAT(run.err, HasSubstr(c.failure));
    }
}

TEST_F(LogFilesTest, ResultAndErrorLogNeverFollowALink)
{
    const std::string other = dir / "other.txt";
    for (Log log : {Log::Result, Log::Err}) {
        SCOPED_TRACE(CommandOf(log));
        // Over the error log's size rule, which would have emptied the file.
        const std::string content(200000, 'x');
        WriteFileBytes(other, content);
        const std::string path = PathOf(log);
        std::filesystem::remove_all(path);
        ASSERT_EQ(symlink(other.c_str(), path.c_str()), 0);
        const ProbeRun run = Run({CommandOf(log), "lost"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_THAT(run.err, HasSubstr(path));
        EXPECT_TRUE(ReadFileBytes(other) == content) << "the file behind the link changed";
        std::filesystem::remove(path);
    }

    // A link where a full log is moved aside is replaced, not written through.
    WriteFileBytes(bin + "/datalink.ini", "[SysSet]\nmaxsizeResult=10\n");
    WriteFileBytes(other, "other");
    WriteFileBytes(PathOf(Log::Result), "a full log\r\n");
    ASSERT_EQ(symlink(other.c_str(), (bin + "/Result.1.txt").c_str()), 0);
    ASSERT_EQ(Run({"result", "new"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(bin + "/Result.1.txt"), "a full log\r\n");
    EXPECT_FALSE(std::filesystem::is_symlink(bin + "/Result.1.txt"));
    EXPECT_EQ(ReadFileBytes(other), "other");
}

TEST_F(LogFilesTest, OperationLogSwallowsEveryFailure)
{
    const std::string outside = dir / "outside.txt";
    WriteFileBytes(outside, "untouched");
    WriteFileBytes(dir / "plain", "x");

    const struct {
        const char* name;
        std::optional<std::string> home;
        void (*prepare)(const std::string& oplog, const std::string& outside);
    } cases[] = {
        {"HOME unset", std::nullopt, nullptr},
        {"HOME relative", "home", nullptr},
        {"HOME below a regular file", dir / "plain/home", nullptr},
        {"oplog.txt a link", home,
         [](const std::string& oplog, const std::string& target) {
             ASSERT_EQ(symlink(target.c_str(), oplog.c_str()), 0);
         }},
        {"oplog.txt a directory", home,
         [](const std::string& oplog, const std::string&) { mkdir(oplog.c_str(), 0755); }},
        {"oplog.txt a FIFO nobody reads", home,
         [](const std::string& oplog, const std::string&) { mkfifo(oplog.c_str(), 0600); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string oplog = home + "/oplog.txt";
        std::filesystem::remove_all(oplog);
        if (c.prepare)
            c.prepare(oplog, outside);
        env["HOME"] = c.home;
        const ProbeRun run = RunProgram(probe, {"op", "a", "b"}, env);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(ReadFileBytes(outside), "untouched");
    }
    EXPECT_FALSE(FileExists(bin + "/oplog.txt"));
}

TEST_F(LogFilesTest, ExePathIsTheDirectoryOfTheRunningProgram)
{
    EXPECT_EQ(Run({"exepath"}).out, bin + "/");
}

} // namespace
