// Calibrations with their record against scale-sim: what the controller is
// asked before and after, the record holding the simulator's values, the
// record file growing by one chained line per confirmed calibration, and
// nothing recorded for a refused one or when the program ends meanwhile.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "session/record_file.h"
#include "session_on_sim.h"

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

class RecordDirectory {
public:
    RecordDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "records-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        directory_ = pattern;
    }
    ~RecordDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    std::string file() const { return directory_ + "/records.jsonl"; }

private:
    std::string directory_;
};

// The command part ("AA 01 F6") of each frame.
std::vector<std::string> Commands(const std::vector<std::string>& frames)
{
    std::vector<std::string> commands;
    for (const std::string& frame : frames)
        commands.push_back(frame.substr(0, 8));
    return commands;
}

// What a confirmed calibration sends when the parameters it last heard still
// hold: the command, then the parameters, the version and the 32 log
// records.
std::vector<std::string> RecordedCalibrationCommands(const std::string& command)
{
    std::vector<std::string> commands = {command, "AA 01 F6", "AA 01 01"};
    commands.insert(commands.end(), 32, "AA 01 F8");
    return commands;
}

// Runs the port's events until `count` more readings have come in.
void AwaitReadings(SessionOnSim& rig, size_t count)
{
    const size_t target = rig.listener.readings.size() + count;
    ASSERT_TRUE(rig.RunUntil([&] { return rig.listener.readings.size() >= target; }));
}

} // namespace

// A zero calibration with a 0.5 kg pan left on the platform, then a
// reference-weight calibration naming 12 kg for what the scale reads as
// 10 kg: each record holds what the simulator had and read, and the file
// holds both records, chained. One changed byte in the first line is named.
TEST_F(OnSim, RecordsHoldTheSimulatorsValues)
{
    RecordDirectory records;
    session.setRecordFile(records.file());
    session.setOperatorName("张工");
    Start({"--switch", "open", "--load", "0.5", "--rate", "20", "--gravity-use", "97883",
           "--gravity-cal", "97894", "--range", "15"});
    AwaitReadings(*this, ScaleSession::kSummaryReadings);

    session.setTestWeightId("");
    size_t mark = Mark();
    const RecordedCalibration zero = session.calibrateZeroAndRecord();
    ASSERT_TRUE(zero.record);
    EXPECT_EQ(Commands(FramesSince(mark)), RecordedCalibrationCommands("AA 01 02"));
    EXPECT_THAT(host.boxTexts(), ElementsAre("零点标定成功！"));
    EXPECT_THAT(host.operationLog, ElementsAre("零点标定", "零点标定成功"));
    EXPECT_THAT(listener.statuses, Not(Contains("版本号:18")));

    const CalibrationRecord& z = *zero.record;
    EXPECT_EQ(z.kind, CalibrationKind::Zero);
    EXPECT_EQ(z.weightKg, 0);
    EXPECT_EQ(z.operatorName, "张工");
    EXPECT_EQ(z.testWeightId, "");
    EXPECT_EQ(z.boardVersion, "18");
    EXPECT_EQ(z.before, (ParameterReport{0, 15, 97894, 97883}));
    EXPECT_EQ(z.after, (ParameterReport{0, 15, 97894, 97883}));
    ASSERT_TRUE(z.asFound && z.asLeft);
    EXPECT_EQ(z.asFound->readings, 10);
    EXPECT_DOUBLE_EQ(z.asFound->meanKg, 0.5);
    EXPECT_DOUBLE_EQ(z.asFound->meanAD, 7000);
    EXPECT_DOUBLE_EQ(z.asFound->divisionKg, 0.002);
    EXPECT_EQ(z.asLeft->readings, 10);
    EXPECT_DOUBLE_EQ(z.asLeft->meanKg, 0.0);
    EXPECT_DOUBLE_EQ(z.asLeft->standardDeviationKg, 0.0);
    // The simulator starts with five records: this one is the sixth, taken
    // at the platform's AD with the pan on it.
    ASSERT_TRUE(z.logRecord);
    EXPECT_EQ(z.logRecord->number, 6);
    EXPECT_EQ(z.logRecord->zeroAD, 507000);
    EXPECT_EQ(z.logRecord->referenceAD, 647000);
    EXPECT_EQ(z.logRecord->operationType, 1);
    const DateTime loggedAt = ParseDateTime(z.logRecord->time);
    EXPECT_LE(WholeSecondsBetween(loggedAt, ParseDateTime(z.time)), 2);

    Set("load 10.5");
    AwaitReadings(*this, 2 * ScaleSession::kSummaryReadings);
    session.setTestWeightId("M1-0042");
    host.boxes.clear();
    mark = Mark();
    const RecordedCalibration weight = session.calibrateWithWeightAndRecord("12");
    ASSERT_EQ(weight.input, InputCheck::Accepted);
    ASSERT_TRUE(weight.record);
    EXPECT_EQ(Commands(FramesSince(mark)), RecordedCalibrationCommands("AA 01 03"));
    EXPECT_THAT(host.boxTexts(), ElementsAre("任意点标定成功！"));
    const CalibrationRecord& w = *weight.record;
    EXPECT_EQ(w.kind, CalibrationKind::Weight);
    EXPECT_EQ(w.weightKg, 12);
    EXPECT_EQ(w.testWeightId, "M1-0042");
    // Calibrated here: the controller takes the place of use as the
    // calibration place.
    EXPECT_EQ(w.before, (ParameterReport{0, 15, 97894, 97883}));
    EXPECT_EQ(w.after, (ParameterReport{0, 15, 97883, 97883}));
    EXPECT_DOUBLE_EQ(w.asFound->meanKg, 10.0);
    EXPECT_DOUBLE_EQ(w.asFound->divisionKg, 0.005);
    EXPECT_DOUBLE_EQ(w.asLeft->meanKg, 12.0);
    EXPECT_DOUBLE_EQ(w.asLeft->meanAD, 140000);
    ASSERT_TRUE(w.logRecord);
    EXPECT_EQ(w.logRecord->number, 7);
    EXPECT_EQ(w.logRecord->zeroAD, 507000);
    EXPECT_EQ(w.logRecord->referenceAD, 647000);
    EXPECT_EQ(w.logRecord->referenceWeightKg, 12);
    EXPECT_EQ(w.logRecord->operationType, 2);

    // The file: both records, as returned, chained.
    const std::vector<std::string> lines = ReadRecordLines(records.file());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ParseRecordLine(lines[0]), z);
    EXPECT_EQ(ParseRecordLine(lines[1]), w);
    EXPECT_EQ(w.previousHash, z.hash);
    EXPECT_TRUE(CheckRecordFile(records.file()).intact());

    // One byte of the first record changed (its as-found mean, 0.5 -> 0.6).
    std::string text = lines[0] + "\n" + lines[1] + "\n";
    const size_t at = text.find("\"meanKg\":0.5");
    ASSERT_NE(at, std::string::npos);
    text[at + 11] = '6';
    std::ofstream(records.file(), std::ios::binary | std::ios::trunc) << text;
    const ChainCheck check = CheckRecordFile(records.file());
    EXPECT_EQ(check.brokenLine, 1u);
    EXPECT_EQ(DescribeChainCheck(check), "第1行：内容与其哈希不符，此行被改动过");
}

// A tare of 0.8 kg taken on the weighing page, then a correct 10 kg span on
// the cleared platform: the scale shows 9.200 net, but the record holds what
// the scale weighs, 10.000 kg gross, and keeps the tare in a field of its own.
TEST_F(OnSim, ATareNeverEntersTheRecord)
{
    RecordDirectory records;
    session.setRecordFile(records.file());
    Start({"--switch", "open", "--load", "0.8", "--rate", "20", "--range", "15"});
    AwaitReadings(*this, 1);
    session.tare();
    Set("load 10");
    AwaitReadings(*this, 2 * ScaleSession::kSummaryReadings);
    EXPECT_NEAR(listener.readings.back().displayed, 9.2, 1e-9);

    const RecordedCalibration weight = session.calibrateWithWeightAndRecord("10");
    ASSERT_TRUE(weight.record);
    EXPECT_DOUBLE_EQ(weight.record->tareKg, 0.8);
    ASSERT_TRUE(weight.record->asFound && weight.record->asLeft);
    EXPECT_DOUBLE_EQ(weight.record->asFound->meanKg, 10.0);
    EXPECT_DOUBLE_EQ(weight.record->asLeft->meanKg, 10.0);
    EXPECT_DOUBLE_EQ(DeviationInDivisions(*weight.record->asLeft, 10.0), 0.0);
    EXPECT_EQ(ParseRecordLine(ReadRecordLines(records.file()).at(0)), *weight.record);
}

// The operator places the weight and presses span the moment zero has
// succeeded, while the zero's record is still being completed: the span's
// command goes out at once, and both records are completed and chained.
// The zero's "as left" holds no reading taken after the span went out.
TEST_F(OnSim, ASpanPressedWhileTheZerosRecordIsCompletedGoesOutAtOnce)
{
    RecordDirectory records;
    session.setRecordFile(records.file());
    Start({"--switch", "open", "--load", "0", "--rate", "20", "--range", "15"});
    AwaitReadings(*this, ScaleSession::kSummaryReadings);

    std::optional<RecordedCalibration> span;
    bool pressed = false;
    host.whileWaiting = [&](uint32_t) {
        if (pressed || host.boxTexts().empty())
            return; // once, and not before the zero's success box
        pressed = true;
        Set("load 10");
        AwaitReadings(*this, 1);
        span = session.calibrateWithWeightAndRecord("10");
    };
    const size_t mark = Mark();
    const RecordedCalibration zero = session.calibrateZeroAndRecord();
    host.whileWaiting = {};

    ASSERT_TRUE(span && span->record && zero.record);
    std::vector<std::string> expected = {"AA 01 02"};
    for (const std::string& command : RecordedCalibrationCommands("AA 01 03"))
        expected.push_back(command);
    for (const std::string& command : RecordedCalibrationCommands("AA 01 02"))
        if (command != "AA 01 02")
            expected.push_back(command);
    EXPECT_EQ(Commands(FramesSince(mark)), expected);
    EXPECT_THAT(host.boxTexts(), ElementsAre("零点标定成功！", "任意点标定成功！"));

    const CalibrationRecord& s = *span->record;
    const CalibrationRecord& z = *zero.record;
    ASSERT_TRUE(s.logRecord && z.logRecord);
    EXPECT_EQ(s.logRecord->operationType, 2);
    EXPECT_EQ(s.logRecord->referenceWeightKg, 10);
    EXPECT_EQ(z.logRecord->operationType, 1);
    ASSERT_TRUE(s.asLeft);
    EXPECT_DOUBLE_EQ(s.asLeft->meanKg, 10.0);
    // Only readings that came before the span went out, if any.
    if (z.asLeft) {
        EXPECT_LT(z.asLeft->readings, static_cast<int>(ScaleSession::kSummaryReadings));
    }
    // Completed in turn: the span's record first, then the zero's.
    const std::vector<std::string> lines = ReadRecordLines(records.file());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ParseRecordLine(lines[0]).hash, s.hash);
    EXPECT_EQ(ParseRecordLine(lines[1]).hash, z.hash);
    EXPECT_TRUE(CheckRecordFile(records.file()).intact());
}

// Refused by the controller (switch closed, no weight on the platform) or
// by the input check: no record; a refused input sends nothing at all. A
// calibration sent since the last parameter report may have changed it: the
// next one asks for the parameters first.
TEST_F(OnSim, RefusedCalibrationsLeaveNoRecord)
{
    RecordDirectory records;
    session.setRecordFile(records.file());
    Start({"--switch", "closed", "--rate", "0"});

    size_t mark = Mark();
    EXPECT_FALSE(session.calibrateZeroAndRecord().record);
    EXPECT_EQ(Commands(FramesSince(mark)), (std::vector<std::string>{"AA 01 02"}));
    EXPECT_THAT(host.boxTexts(), ElementsAre("请打开标定开关！"));
    // The wait ended by its answer.
    EXPECT_THAT(host.waits, ElementsAre(3000u));
    EXPECT_THAT(host.waitsAnswered, ElementsAre(true));

    Set("switch open");
    Set("load 0");
    host.boxes.clear();
    mark = Mark();
    const RecordedCalibration noLoad = session.calibrateWithWeightAndRecord("10");
    EXPECT_EQ(noLoad.input, InputCheck::Accepted);
    EXPECT_FALSE(noLoad.record);
    EXPECT_EQ(Commands(FramesSince(mark)), (std::vector<std::string>{"AA 01 F6", "AA 01 03"}));
    EXPECT_THAT(host.boxTexts(), ElementsAre("设置失败！"));

    host.boxes.clear();
    mark = Mark();
    EXPECT_EQ(session.calibrateWithWeightAndRecord("70000").input, InputCheck::Refused);
    EXPECT_THAT(host.boxTexts(), ElementsAre("任意点重量值超出范围！"));
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(records.file()));
}

// The program begins to end at each wait of a confirmed calibration: the
// operation stops there, sends nothing more and records nothing.
TEST(ProgramEnding, DuringACalibrationWithItsRecord)
{
    struct Case {
        size_t endAtWait;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {0, {"AA 01 02"}},                                     // the answer
        {1, {"AA 01 02"}},                                     // the readings after
        {2, {"AA 01 02", "AA 01 F6"}},                         // the parameters after
        {3, {"AA 01 02", "AA 01 F6", "AA 01 01"}},             // the version
        {4, {"AA 01 02", "AA 01 F6", "AA 01 01", "AA 01 F8"}}, // the log
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endAtWait);
        RecordDirectory records;
        SessionOnSim rig;
        rig.session.setRecordFile(records.file());
        const size_t mark = rig.Start({"--switch", "open", "--rate", "20"});
        rig.host.whileWaiting = [&rig, index = c.endAtWait, waits = size_t{0}](uint32_t) mutable {
            if (waits++ == index)
                rig.host.loop.stop();
        };
        EXPECT_FALSE(rig.session.calibrateZeroAndRecord().record);
        EXPECT_EQ(rig.host.waits.size(), c.endAtWait + 1);
        rig.SyncWithSim();
        EXPECT_EQ(Commands(rig.FramesSince(mark)), c.commands);
        EXPECT_FALSE(std::filesystem::exists(records.file()));
    }
}
