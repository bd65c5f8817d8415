// The calibration-record file: records read back as written, the hash
// chain, the line that breaks it after an edit, a removal or a cut, the
// lock that keeps concurrent writers from interleaving, and where the file
// lives.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "session/calibration_record.h"
#include "session/record_file.h"
#include "session/record_location.h"
#include "session/sha256.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        std::string pattern = (fs::temp_directory_path() / "records-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryDirectory()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

CalibrationRecord SampleRecord(int n)
{
    CalibrationRecord record;
    record.time = "2026-12-10 10:0" + std::to_string(n) + ":00";
    record.kind = n % 2 ? CalibrationKind::Weight : CalibrationKind::Zero;
    record.weightKg = n % 2 ? 10 : 0;
    record.testWeightId = "M1-" + std::to_string(n);
    record.operatorName = "张工";
    record.boardVersion = "18";
    record.before = ParameterReport{0, 15, 97894, 97883};
    record.after = ParameterReport{1, 30, 97883, 97883};
    record.asFound = ReadingSummary{10, 9.998, 0.0012, 0.005, 139972.5};
    record.asLeft = ReadingSummary{10, 10.0, 0.0, 0.005, 140000};
    record.logRecord = CalibrationLogRecord{6, "2026-12-10 10:00:01", 500000, 640000, 10, 2};
    return record;
}

} // namespace

// What is appended reads back field for field, each record naming the hash
// of the one before it; the place names are written beside the gravities.
TEST(RecordFile, RecordsReadBackAsWrittenAndChained)
{
    TemporaryDirectory dir;
    const std::string path = dir.file("data/app/records.jsonl");
    std::vector<CalibrationRecord> written;
    CalibrationRecord sparse; // nothing read: every optional part empty
    sparse.time = "2026-12-10 11:00:00";
    for (const CalibrationRecord& record : {SampleRecord(1), SampleRecord(2), sparse})
        written.push_back(AppendRecord(path, record));

    const std::vector<std::string> lines = ReadRecordLines(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(written[0].previousHash, kFirstPreviousHash);
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ParseRecordLine(lines[i]), written[i]);
        EXPECT_EQ(written[i].hash, Sha256Hex(lines[i].substr(0, lines[i].size() - 75)));
        if (i > 0) {
            EXPECT_EQ(written[i].previousHash, written[i - 1].hash);
        }
    }
    EXPECT_THAT(lines[0], HasSubstr("\"calibrationPlace\":\"广东-韶关\""));
    EXPECT_THAT(lines[0], HasSubstr("\"usePlace\":\"广东\""));
    EXPECT_THAT(lines[0], HasSubstr("\"operator\":\"张工\""));
    EXPECT_THAT(lines[2], HasSubstr("\"asFound\":null"));
    const ChainCheck check = CheckRecordFile(path);
    EXPECT_TRUE(check.intact());
    EXPECT_EQ(check.lines, 3u);
    EXPECT_EQ(DescribeChainCheck(check), "记录链完整，共3条记录");
}

// Texts that are not UTF-8 (an operator name typed in another code page)
// are written replaced, and the line stays a record.
TEST(RecordFile, TextsThatAreNotUtf8AreReplaced)
{
    TemporaryDirectory dir;
    CalibrationRecord record = SampleRecord(1);
    record.operatorName = "\xD5\xC5\xB9\xA4"; // "张工" in GBK
    AppendRecord(dir.file("r.jsonl"), record);
    EXPECT_EQ(ParseRecordLine(ReadRecordLines(dir.file("r.jsonl")).at(0)).operatorName,
              "\xEF\xBF\xBD\xC5\xB9\xEF\xBF\xBD"); // C5 B9 happens to be a valid sequence
    EXPECT_TRUE(CheckRecordFile(dir.file("r.jsonl")).intact());
}

// Every change to a file of five records names the first line it breaks.
TEST(RecordFile, ChainNamesTheLineThatBreaksIt)
{
    struct Case {
        const char* name;
        std::function<std::string(std::vector<std::string>)>
            change; // the lines as written -> the file
        size_t brokenLine;
        const char* problem;
    };
    const auto editByte = [](size_t line, const std::string& from, const std::string& to) {
        return [=](std::vector<std::string> lines) {
            const size_t at = lines[line].find(from);
            if (at == std::string::npos)
                throw std::logic_error("no " + from);
            lines[line].replace(at, from.size(), to);
            return Joined(lines);
        };
    };
    const char* kEdited = "内容与其哈希不符，此行被改动过";
    const char* kGap = "所记前一记录的哈希不符，此行之前有记录被删除、插入或改动";
    const Case cases[] = {
        {"nothing changed", [](std::vector<std::string> lines) { return Joined(lines); }, 0, ""},
        {"one digit of line 2", editByte(1, "\"meanKg\":9.998", "\"meanKg\":9.997"), 2, kEdited},
        {"one letter of the operator in line 1", editByte(0, "\"M1-", "\"M2-"), 1, kEdited},
        {"the last line", editByte(4, "\"weightKg\":10", "\"weightKg\":11"), 5, kEdited},
        {"one digit of line 3's own hash",
         [](std::vector<std::string> lines) {
             char& digit = lines[2][lines[2].size() - 3];
             digit = digit == '0' ? '1' : '0';
             return Joined(lines);
         },
         3, kEdited},
        {"line 3 removed",
         [](std::vector<std::string> lines) {
             lines.erase(lines.begin() + 2);
             return Joined(lines);
         },
         3, kGap},
        {"line 1 removed",
         [](std::vector<std::string> lines) {
             lines.erase(lines.begin());
             return Joined(lines);
         },
         1, kGap},
        {"lines 2 and 3 swapped",
         [](std::vector<std::string> lines) {
             std::swap(lines[1], lines[2]);
             return Joined(lines);
         },
         2, kGap},
        {"a line put in after line 4",
         [](std::vector<std::string> lines) {
             lines.insert(lines.begin() + 4, "{\"time\":\"x\"}");
             return Joined(lines);
         },
         5, "不是标定记录"},
        {"the last line cut",
         [](std::vector<std::string> lines) {
             std::string text = Joined(lines);
             return text.substr(0, text.size() - 20);
         },
         5, "末行不完整"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory dir;
        const std::string path = dir.file("r.jsonl");
        for (int n = 1; n <= 5; ++n)
            AppendRecord(path, SampleRecord(n));
        WriteText(path, c.change(Lines(FileText(path))));
        const ChainCheck check = CheckRecordFile(path);
        EXPECT_EQ(check.brokenLine, c.brokenLine);
        EXPECT_EQ(check.problem, c.problem);
        if (c.brokenLine) {
            EXPECT_EQ(DescribeChainCheck(check),
                      "第" + std::to_string(c.brokenLine) + "行：" + c.problem);
        }
    }
}

// A file whose last line was cut off takes no record (it would join the
// cut line), and keeps its bytes; a directory in the file's place is an
// error that names the file.
TEST(RecordFile, AppendRefusesAFileItCannotContinue)
{
    TemporaryDirectory dir;
    const std::string path = dir.file("r.jsonl");
    AppendRecord(path, SampleRecord(1));
    const std::string cut = FileText(path).substr(0, 50);
    WriteText(path, cut);
    EXPECT_THROW(AppendRecord(path, SampleRecord(2)), RecordFileError);
    EXPECT_EQ(FileText(path), cut);

    fs::create_directory(dir.file("folder"));
    try {
        AppendRecord(dir.file("folder"), SampleRecord(1));
        ADD_FAILURE() << "appended to a directory";
    } catch (const RecordFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(dir.file("folder")));
    }
}

// A file damaged since its last record still takes the next one (a
// calibration is never left without its record), but never silently: the
// record comes with RecordFileDamaged naming the first damaged line. A
// large file is checked at its end, by its last two records.
TEST(RecordFile, DamagedFileTakesTheRecordAndSaysSo)
{
    struct Case {
        const char* name;
        size_t records; // written before the change
        std::function<std::vector<std::string>(std::vector<std::string>)> change;
        const char* damage; // in the message
    };
    const auto editLine = [](int line) { // from the end when negative
        return [line](std::vector<std::string> lines) {
            std::string& text =
                lines.at(static_cast<size_t>(line >= 0 ? line : int(lines.size()) + line));
            text.replace(text.find("\"M1-"), 4, "\"M2-");
            return lines;
        };
    };
    const Case cases[] = {
        {"one byte of an old record", 5, editLine(1), "第2行：内容与其哈希不符"},
        {"a line deleted", 5,
         [](std::vector<std::string> lines) {
             lines.erase(lines.begin() + 2);
             return lines;
         },
         "第3行：所记前一记录的哈希不符"},
        {"two lines swapped", 5,
         [](std::vector<std::string> lines) {
             std::swap(lines[3], lines[4]);
             return lines;
         },
         "第4行：所记前一记录的哈希不符"},
        {"a whole line of garbage appended", 5,
         [](std::vector<std::string> lines) {
             lines.push_back("garbage");
             return lines;
         },
         "第6行：不是标定记录"},
        // Over 1 MB: the last record against its predecessor.
        {"the last record of a large file changed", 1500, editLine(-1),
         "倒数第1行：内容与其哈希不符"},
        {"the record before the last of a large file removed", 1500,
         [](std::vector<std::string> lines) {
             lines.erase(lines.end() - 2);
             return lines;
         },
         "倒数第1行：所记前一记录的哈希不符"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory dir;
        const std::string path = dir.file("r.jsonl");
        std::string text;
        CalibrationRecord chained = SampleRecord(1);
        for (size_t n = 0; n < c.records; ++n) { // without a lock per line: faster
            chained.previousHash = n == 0 ? kFirstPreviousHash : chained.hash;
            chained.testWeightId = "M1-" + std::to_string(n);
            const std::string line = RecordLine(chained);
            chained.hash = line.substr(line.size() - 66, 64);
            text += line + "\n";
        }
        ASSERT_TRUE(CheckRecordChain(Lines(text)).intact());
        if (c.records > 100) {
            ASSERT_GT(text.size(), 1u << 20) << "not a large file";
        }
        WriteText(path, Joined(c.change(Lines(text))));
        const std::string before = FileText(path);
        try {
            AppendRecord(path, SampleRecord(9));
            ADD_FAILURE() << "appended silently";
        } catch (const RecordFileDamaged& damaged) {
            EXPECT_THAT(damaged.what(), HasSubstr(c.damage));
            EXPECT_THAT(damaged.what(), HasSubstr(path));
            const std::vector<std::string> lines = ReadRecordLines(path);
            EXPECT_EQ(FileText(path).substr(0, before.size()), before);
            EXPECT_EQ(ParseRecordLine(lines.back()), damaged.written());
        }
    }
}

// The record file is appended to only as a regular file of the user's own,
// reached without a link: a link's target keeps its bytes. The folder made
// for it is the user's alone, and one others may enter is narrowed.
TEST(RecordFile, AppendsNeitherThroughALinkNorToAnotherUsersFile)
{
    TemporaryDirectory dir;
    const std::string target = dir.file("someone-elses.txt");
    WriteText(target, "kept\n");
    const std::string link = dir.file("r.jsonl");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    try {
        AppendRecord(link, SampleRecord(1));
        ADD_FAILURE() << "appended through a link";
    } catch (const RecordFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(link));
    }
    EXPECT_EQ(FileText(target), "kept\n");

    const std::string foreign = dir.file("foreign.jsonl");
    WriteText(foreign, "");
    ASSERT_EQ(::chown(foreign.c_str(), ::geteuid() == 0 ? 65534 : ::geteuid(), -1), 0);
    if (::geteuid() == 0) { // only root can give a file away
        EXPECT_THROW(AppendRecord(foreign, SampleRecord(1)), RecordFileError);
        EXPECT_EQ(FileText(foreign), "");
    }

    const std::string folder = dir.file("data/scale-config");
    AppendRecord(folder + "/r.jsonl", SampleRecord(1));
    struct stat info { };
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    AppendRecord(folder + "/r.jsonl", SampleRecord(2));
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// Writers that append at the same time (the window and scale-cli) each add
// whole lines, and the chain holds over all of them.
TEST(RecordFile, ConcurrentWritersKeepTheChain)
{
    TemporaryDirectory dir;
    const std::string path = dir.file("r.jsonl");
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&path, w] {
            for (int n = 0; n < 25; ++n)
                AppendRecord(path, SampleRecord(w));
        });
    for (std::thread& writer : writers)
        writer.join();
    const ChainCheck check = CheckRecordFile(path);
    EXPECT_TRUE(check.intact()) << DescribeChainCheck(check);
    EXPECT_EQ(check.lines, 100u);
}

TEST(RecordFile, MissingFileHoldsNoRecords)
{
    TemporaryDirectory dir;
    EXPECT_TRUE(ReadRecordLines(dir.file("none.jsonl")).empty());
    const ChainCheck check = CheckRecordFile(dir.file("none.jsonl"));
    EXPECT_TRUE(check.intact());
    EXPECT_EQ(check.lines, 0u);
}

TEST(RecordFile, LocationFollowsTheDataDirectory)
{
    struct Case {
        const char* dataHome; // nullptr: unset
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/data", "/home/op", "/data/scale-config/calibration-records.jsonl"},
        {nullptr, "/home/op", "/home/op/.local/share/scale-config/calibration-records.jsonl"},
        {"relative/dir", "/home/op",
         "/home/op/.local/share/scale-config/calibration-records.jsonl"},
        {"", "/home/op", "/home/op/.local/share/scale-config/calibration-records.jsonl"},
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedDataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedData = savedDataHome ? savedDataHome : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        c.dataHome ? ::setenv("XDG_DATA_HOME", c.dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(DefaultRecordFilePath(), c.expected);
    }
    ::setenv("HOME", savedHome.c_str(), 1);
    savedDataHome ? ::setenv("XDG_DATA_HOME", savedData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
}

// Mean, sample standard deviation and deviation in divisions, of the gross
// weights: a tare shown on the weighing page never enters them.
TEST(ReadingSummaryTest, MeanSpreadAndDeviation)
{
    const auto reading = [](double kg, int32_t ad, int division) {
        WeightReading r;
        r.gross = kg;
        r.displayed = kg - 0.8;
        r.liveAD = ad;
        r.division = division;
        return r;
    };
    EXPECT_EQ(SummarizeReadings({}), std::nullopt);
    const std::optional<ReadingSummary> one = SummarizeReadings({reading(2.5, 35000, 20)});
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, (ReadingSummary{1, 2.5, 0.0, 0.002, 35000}));
    const std::optional<ReadingSummary> four =
        SummarizeReadings({reading(9.995, 1, 50), reading(10.0, 2, 50), reading(10.005, 3, 50),
                           reading(10.0, 6, 50)});
    ASSERT_TRUE(four);
    EXPECT_EQ(four->readings, 4);
    EXPECT_DOUBLE_EQ(four->meanKg, 10.0);
    EXPECT_NEAR(four->standardDeviationKg, std::sqrt(0.00005 / 3), 1e-12);
    EXPECT_DOUBLE_EQ(four->meanAD, 3.0);
    EXPECT_DOUBLE_EQ(four->divisionKg, 0.005);
    EXPECT_NEAR(DeviationInDivisions(ReadingSummary{10, 10.012, 0, 0.005, 0}, 10), 2.4, 1e-9);
    EXPECT_NEAR(DeviationInDivisions(ReadingSummary{10, -0.004, 0, 0.002, 0}, 0), -2.0, 1e-9);
}

// The controller's record of a calibration: the newest within the span of
// the calibration (with the clock tolerance), of the calibration's kind,
// naming the weight when there is one; never an unused slot.
TEST(LogRecordOfACalibration, NewestWithinTheSpan)
{
    const DateTime from = EncodeDateTime(2026, 12, 10, 10, 0, 0);
    const DateTime to = EncodeDateTime(2026, 12, 10, 10, 0, 5);
    const CalibrationLogRecords log = {
        {1, "2026-12-09 10:00:00", 1, 2, 10, 1},       // a day before
        {2, "2026-12-10 09:58:30", 1, 2, 10, 2},       // within the tolerance
        {3, "2026-12-10 10:00:03", 1, 2, 15, 1},       // newest, another weight
        {4, "-1", 1, 2, 10, 1},                        // no time
        {5, "2026-12-10 10:03:00", 1, 2, 10, 1},       // after it
        {6, "2026-12-10 10:00:04", 1, 2, 12, 2},       // newest, a span
        {7, "2026-12-10 10:00:04", 1, 2, 10, 2, true}, // an unused slot
    };
    EXPECT_EQ(FindLogRecordOf(log, CalibrationKind::Zero, 0, from, to)->number, 3);
    EXPECT_EQ(FindLogRecordOf(log, CalibrationKind::Weight, 12, from, to)->number, 6);
    EXPECT_EQ(FindLogRecordOf(log, CalibrationKind::Weight, 10, from, to)->number, 2);
    EXPECT_EQ(FindLogRecordOf(log, CalibrationKind::Weight, 20, from, to), std::nullopt);
    EXPECT_EQ(FindLogRecordOf({}, CalibrationKind::Zero, 0, from, to), std::nullopt);
}
