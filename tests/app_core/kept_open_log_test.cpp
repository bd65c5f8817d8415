// The result log's file kept open between lines: what others do to the file
// meanwhile (move it, remove it, put something else in its place) is seen
// when the log next looks at its name (here: at every line), and a failure
// at the next line, as if the file had been opened for that line.

#include "app_core/file_io.h"
#include "app_core/log_files.h"
#include "test_support.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

std::string logPath; // where the log under test lies

std::string LogPath() { return logPath; }

TEST(KeptOpenLog, EachLineLandsWhereAFreshOpeningWouldPutIt)
{
    TempDir dir;
    logPath = dir / "Result.txt";
    const std::string elsewhere = dir / "moved.txt";
    KeptOpenLog log(&LogPath, std::chrono::milliseconds(0)); // looks at the name for every line
    log.Append("first\r\n", 0);
    log.Append("second\r\n", 0);
    EXPECT_EQ(ReadFileBytes(logPath), "first\r\nsecond\r\n");

    const struct {
        const char* what;
        std::function<void()> meanwhile;
        std::string expected; // the log afterwards
    } cases[] = {
        {"moved away by another program", [&] { std::rename(logPath.c_str(), elsewhere.c_str()); },
         "line\r\n"},
        {"removed", [&] { std::remove(logPath.c_str()); }, "line\r\n"},
        {"replaced by another file",
         [&] {
             std::remove(logPath.c_str());
             WriteFileBytes(logPath, "other\r\n");
         },
         "other\r\nline\r\n"},
        {"left alone", [] {}, "other\r\nline\r\nline\r\n"},
    };
    for (const auto& c : cases) {
        c.meanwhile();
        log.Append("line\r\n", 0);
        EXPECT_EQ(ReadFileBytes(logPath), c.expected) << c.what;
    }
    EXPECT_EQ(ReadFileBytes(elsewhere), "first\r\nsecond\r\n") << "the moved file took no more";
}

TEST(KeptOpenLog, AFailedLineIsRaisedAndTheNextOneOpensTheLogAnew)
{
    TempDir dir;
    logPath = dir / "Result.txt";
    KeptOpenLog log(&LogPath, std::chrono::milliseconds(0));
    log.Append("before\r\n", 0);
    // A directory in the log's place, then a link: both refused, named.
    std::remove(logPath.c_str());
    mkdir(logPath.c_str(), 0755);
    EXPECT_THROW(log.Append("lost\r\n", 0), InOutError);
    rmdir(logPath.c_str());
    const std::string target = dir / "target.txt";
    WriteFileBytes(target, "");
    std::filesystem::create_symlink(target, logPath);
    try {
        log.Append("lost\r\n", 0);
        ADD_FAILURE() << "wrote through a link";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find(logPath), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(target), "");
    std::remove(logPath.c_str());
    log.Append("after\r\n", 0);
    EXPECT_EQ(ReadFileBytes(logPath), "after\r\n");
}

// Once the log holds the limit it moves aside before the next line, which
// begins the new file; that one is kept open in its turn.
TEST(KeptOpenLog, AFullLogMovesAsideAndTheNewOneTakesTheFollowingLines)
{
    TempDir dir;
    logPath = dir / "Result.txt";
    KeptOpenLog log(&LogPath);
    for (const char* line : {"0123456789\r\n", "abcdefghij\r\n", "klmnopqrst\r\n", "uvwxyz\r\n"})
        log.Append(line, 20);
    EXPECT_EQ(ReadFileBytes(dir / "Result.1.txt"), "0123456789\r\nabcdefghij\r\n");
    EXPECT_EQ(ReadFileBytes(logPath), "klmnopqrst\r\nuvwxyz\r\n");
}

} // namespace
