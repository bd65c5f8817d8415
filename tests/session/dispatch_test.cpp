// Replies fed straight to the session's receive path, in blocks of every
// size: what it reports, the boxes, the logs, the guard while a reply's box
// is open, and which replies answer an operation that waits for them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/checksum.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "recording_listener.h"
#include "reply_frames.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using namespace session_test;

namespace {

// A session fed directly; the tables make one for each case.
struct FedSession {
    void Feed(const Bytes& block) { session_test::Feed(session, block); }

    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
};

class Dispatch : public ::testing::Test, public FedSession { };

// Records the two parts of texts made of a fixed text and a value, which a
// window translates apart, and lets them go on whole as before.
struct PartsListener : RecordingListener {
    void statusWithValueChanged(const std::string& fixedText, const std::string& value) override
    {
        parts.emplace_back(fixedText, value);
        RecordingListener::statusWithValueChanged(fixedText, value);
    }
    std::vector<std::pair<std::string, std::string>> parts;
};

struct PartsHost : ScriptedHost {
    void showMessageWithValue(const std::string& fixedText, const std::string& value) override
    {
        parts.emplace_back(fixedText, value);
        ScriptedHost::showMessageWithValue(fixedText, value);
    }
    std::vector<std::pair<std::string, std::string>> parts;
};

} // namespace

TEST(ShownTexts, ATextWithAValueComesInItsTwoPartsAndWhole)
{
    PartsHost host;
    PartsListener listener;
    ScaleSession session{host, listener};
    Feed(session, Reply(0x01, {23}));
    Feed(session, Reply(0xF2, {'V', '2', 0xB0}));
    Feed(session, Reply(0xFB, {1})); // a fixed text: whole only
    const std::vector<std::pair<std::string, std::string>> versions = {{"版本号:", "23"},
                                                                       {"版本号:", "V2?"}};
    EXPECT_EQ(listener.parts, versions);
    EXPECT_EQ(host.parts, versions);
    EXPECT_THAT(listener.statuses, ElementsAre("版本号:23", "版本号:V2?", "峰鸣器打开！"));
    EXPECT_THAT(host.boxTexts(), ElementsAre("版本号:23", "版本号:V2?", "峰鸣器打开！"));

    const int32_t code = session.openPort("/nonexistent-directory/no-such-port", 9600).code;
    ASSERT_NE(code, 1);
    ASSERT_EQ(listener.parts.size(), 3u);
    EXPECT_EQ(listener.parts.back(),
              std::make_pair(std::string("打开串口失败，返回值："), std::to_string(code)));
    EXPECT_EQ(listener.lastStatus(), "打开串口失败，返回值：" + std::to_string(code));
}

TEST_F(Dispatch, MeasurementIsReportedAsNumbersAndLoggedAsText)
{
    Feed(Measurement(100000, 15000, 10));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 1.5);
    EXPECT_EQ(listener.readings[0].calibrationWeight, 10);
    EXPECT_THAT(host.resultLog, ElementsAre("实际值：1.5,"));
    host.resultLogSwitchedOn = false;
    Feed(Measurement(100000, 25000, 10));
    EXPECT_EQ(host.resultLog.size(), 1u);
    EXPECT_DOUBLE_EQ(session.lastReading()->displayed, 2.5);
}

// However the port cuts the stream, and whatever noise comes before the
// header, the frame is read once it is complete.
TEST_F(Dispatch, MeasurementInBlocksOfAnySize)
{
    struct Case {
        const char* name;
        std::vector<size_t> blocks; // sizes
        size_t noise;               // bytes before the header
    };
    const Case cases[] = {
        {"whole", {19}, 0},
        {"7+12", {7, 12}, 0},
        {"byte by byte", std::vector<size_t>(19, 1), 0},
        {"noise first", {24}, 5},
        {"noise, then 1+17+1", {4, 17, 1}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FedSession fed;
        const Bytes stream =
            Bytes(c.noise, uint8_t{0x55}) + Measurement(100000, 15000, 10); // 1.5 kg
        size_t at = 0;
        for (size_t size : c.blocks) {
            EXPECT_THAT(fed.listener.readings, IsEmpty());
            fed.Feed(Bytes(stream.begin() + static_cast<long>(at),
                           stream.begin() + static_cast<long>(at + size)));
            at += size;
        }
        ASSERT_EQ(fed.listener.readings.size(), 1u);
        const WeightReading& reading = fed.listener.readings[0];
        EXPECT_DOUBLE_EQ(reading.displayed, 1.5);
        EXPECT_DOUBLE_EQ(reading.rawWeight, 1.5);
        EXPECT_DOUBLE_EQ(reading.realWeight, 1.5);
        EXPECT_EQ(reading.calibrationWeight, 10);
        EXPECT_EQ(DivisionText(reading.division), "0.002");
        EXPECT_THAT(fed.host.resultLog, ElementsAre("实际值：1.5,"));
        EXPECT_TRUE(fed.session.receiving());
    }
}

// An acknowledgement and a measurement sharing one read, with the start of
// a third frame that the next block completes.
TEST_F(Dispatch, EveryFrameOfABlockIsHandled)
{
    const Bytes third = Measurement(100000, 62500, 10); // 6.25 kg
    Feed(Reply(0x00) + Measurement(100000, 20000, 10) + Bytes(third.begin(), third.begin() + 5));
    EXPECT_THAT(listener.replyCodes, ElementsAre(0x00, 0x10));
    EXPECT_THAT(listener.statuses, ElementsAre("设置成功！"));
    EXPECT_EQ(host.wakeups, 1);
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 2.0);
    Feed(Bytes(third.begin() + 5, third.end()));
    ASSERT_EQ(listener.readings.size(), 2u);
    EXPECT_DOUBLE_EQ(listener.readings[1].displayed, 6.25);
    EXPECT_EQ(host.resultLog.size(), 2u);
}

// Each reply code: its status text, its boxes (plain messages), its
// operation-log line, and whether it wakes a waiting operation. No reply
// of its own is taken for a measurement.
TEST_F(Dispatch, ReplyCodes)
{
    struct Case {
        const char* name;
        uint8_t code;
        uint8_t byte2;
        std::string status; // empty: none
        std::vector<std::string> boxes;
        std::vector<std::string> operationLog;
        bool wakesWaiters;
    };
    const Case cases[] = {
        {"00 set ok", 0x00, 0, "设置成功！", {}, {}, true},
        {"01 version", 0x01, 23, "版本号:23", {"版本号:23"}, {}, true},
        {"11 failed", 0x11, 0, "设置失败", {"设置失败！"}, {}, false},
        {"22 no zero", 0x22, 0, "未标定零点！", {}, {}, false},
        {"33 no any point", 0x33, 0, "未标定任意点！", {}, {}, false},
        {"44 switch", 0x44, 0, "请打开标定开关！", {"请打开标定开关！"}, {}, false},
        {"66 zero calibrated",
         0x66,
         0,
         "零点标定成功！",
         {"零点标定成功！"},
         {"零点标定成功"},
         false},
        {"68 zero set", 0x68, 0, "手动置零成功！", {"手动置零成功！"}, {}, false},
        {"69 zero failed", 0x69, 0, "手动置零失败！", {"手动置零失败！"}, {}, false},
        {"88 any point",
         0x88,
         0,
         "任意点标定成功！",
         {"任意点标定成功！"},
         {"任意点标定成功"},
         false},
        {"99 tracking",
         0x99,
         0,
         "零位跟踪配置成功！",
         {"零位跟踪配置成功！"},
         {"零位跟踪配置成功"},
         false},
        {"9A tracking on", 0x9A, 0, "零位跟踪状态开！", {"零位跟踪状态开！"}, {}, false},
        {"9B tracking off", 0x9B, 0, "零位跟踪状态关！", {"零位跟踪状态关！"}, {}, false},
        {"F5 range", 0xF5, 0, "设置量程成功！", {"设置量程成功！"}, {"设置量程成功"}, false},
        {"FB beeper on", 0xFB, 1, "峰鸣器打开！", {"峰鸣器打开！"}, {}, false},
        {"FB beeper 0", 0xFB, 0, "峰鸣器关闭！", {"峰鸣器关闭！"}, {}, false},
        {"FB beeper 2", 0xFB, 2, "峰鸣器关闭！", {"峰鸣器关闭！"}, {}, false},
        {"F8 record", 0xF8, 1, "", {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FedSession fed;
        fed.Feed(Reply(c.code, {c.byte2}));
        EXPECT_EQ(fed.listener.statuses, c.status.empty() ? std::vector<std::string>{}
                                                          : std::vector<std::string>{c.status});
        EXPECT_EQ(fed.host.boxTexts(), c.boxes);
        for (const ScriptedHost::Box& box : fed.host.boxes)
            EXPECT_EQ(box.kind, ScriptedHost::Box::Kind::Message);
        EXPECT_EQ(fed.host.operationLog, c.operationLog);
        EXPECT_EQ(fed.host.wakeups, c.wakesWaiters ? 1 : 0);
        EXPECT_THAT(fed.listener.readings, IsEmpty());
        EXPECT_THAT(fed.host.resultLog, IsEmpty());
    }
}

// The version text: its status is drawn before its box opens, and a
// waiting version query learns of it only after the box is closed.
TEST_F(Dispatch, VersionTextAnswersOnceItsBoxIsClosed)
{
    std::string statusWhileOpen;
    int wakeupsWhileOpen = -1;
    host.whileOpen = [&](const ScriptedHost::Box&) {
        statusWhileOpen = listener.lastStatus();
        wakeupsWhileOpen = host.wakeups;
    };
    Feed(Reply(0xF2, {'V', '1', '.', '8', ' ', 'S', 'C', 'A', 'L', 'E'}));
    EXPECT_EQ(statusWhileOpen, "版本号:V1.8 SCALE");
    EXPECT_EQ(wakeupsWhileOpen, 0);
    EXPECT_THAT(host.boxTexts(), ElementsAre("版本号:V1.8 SCALE"));
    EXPECT_EQ(host.wakeups, 1);
}

TEST_F(Dispatch, BlockArrivingWhileAReplyBoxIsOpenIsDropped)
{
    host.whileOpen = [&](const ScriptedHost::Box&) {
        EXPECT_FALSE(session.receiving());
        Feed(Measurement(100000, 30000, 10)); // 3 kg while the operator reads the box
    };
    Feed(Reply(0x44));
    EXPECT_THAT(listener.readings, IsEmpty());
    EXPECT_TRUE(session.receiving());
    Feed(Measurement(100000, 40000, 10));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 4.0);
}

// When neither the result log nor the error log can be written, the failure
// is shown once; blocks arriving while its box is open are dropped; the
// next block afterwards is handled normally.
TEST_F(Dispatch, FailingLogsOpenOneErrorBoxAndTheGuardStaysClosed)
{
    host.resultLogFails = true;
    host.errorLogFails = true;
    int fedWhileOpen = 0;
    host.whileOpen = [&](const ScriptedHost::Box&) {
        EXPECT_FALSE(session.receiving());
        for (int i = 0; i < 5; ++i, ++fedWhileOpen)
            Feed(Measurement(100000, 15000, 10));
    };
    Feed(Measurement(100000, 15000, 10));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, ScriptedHost::Box::Kind::Error);
    EXPECT_THAT(host.boxes[0].text, HasSubstr("ResultErr.txt"));
    EXPECT_EQ(fedWhileOpen, 5);
    EXPECT_EQ(listener.readings.size(), 1u); // the frames fed while it was open were dropped
    EXPECT_TRUE(session.receiving());

    host.whileOpen = {};
    host.resultLogFails = false;
    host.errorLogFails = false;
    Feed(Measurement(100000, 25000, 10));
    EXPECT_EQ(listener.readings.size(), 2u);
    EXPECT_THAT(host.resultLog, ElementsAre("实际值：2.5,"));
}

// A result log that cannot be written costs an error-log line per frame,
// after the reading has been reported; no box.
TEST_F(Dispatch, ResultLogFailureIsLoggedAfterTheReading)
{
    host.resultLogFails = true;
    Feed(Measurement(100000, 15000, 10));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 1.5);
    ASSERT_EQ(host.errorLog.size(), 1u);
    EXPECT_THAT(host.errorLog[0], StartsWith("CheckRecDataOK Except:"));
    EXPECT_THAT(host.errorLog[0], HasSubstr("Result.txt"));
    Feed(Measurement(100000, 25000, 10));
    ASSERT_EQ(listener.readings.size(), 2u);
    EXPECT_DOUBLE_EQ(listener.readings[1].displayed, 2.5);
    EXPECT_EQ(host.errorLog.size(), 2u);
    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_TRUE(session.receiving());
}

// Only measurement frames feed the drift monitor: a log record carries
// other bytes where a measurement has its AD value.
TEST_F(Dispatch, OnlyMeasurementsFeedTheDriftMonitor)
{
    session.toggleSampling();
    Feed(Measurement(100000, 15000, 10));
    EXPECT_EQ(session.driftMonitor().baseAD, 15000);
    Feed(Reply(0xF8, {1, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00}));
    Feed(Reply(0x00, {0, 0, 0, 0, 0x00, 0x00, 0x10, 0x00}));
    EXPECT_EQ(session.driftMonitor().liveAD, 15000);
    EXPECT_FALSE(session.driftMonitor().alarmAt);
    EXPECT_EQ(listener.drifts.size(), 2u); // the start and the one measurement
}

// While sampling, the first measurement's live AD becomes the base; a drift
// of 8 (115 counts) raises the alarm. An acknowledgement carrying an AD of
// 1115 in its bytes changes nothing.
TEST_F(Dispatch, DriftMonitorWhileSampling)
{
    EXPECT_TRUE(session.toggleSampling());
    ASSERT_EQ(listener.drifts.size(), 1u);
    EXPECT_TRUE(listener.drifts[0].baseFromNextReading);
    Feed(Measurement(100000, 1000, 10));
    EXPECT_EQ(session.driftMonitor().baseAD, 1000);
    EXPECT_FALSE(session.driftMonitor().baseFromNextReading);
    EXPECT_EQ(session.driftMonitor().runMinutes, 0);
    Feed(Measurement(100000, 1114, 10));
    EXPECT_EQ(session.driftMonitor().liveAD, 1114);
    EXPECT_EQ(session.driftMonitor().differenceAD, 114);
    EXPECT_NEAR(session.driftMonitor().drift, 7.98, 1e-9);
    EXPECT_FALSE(session.driftMonitor().alarmAt);
    Feed(Reply(0x00, {0, 0, 0, 0, 0x5B, 0x04, 0, 0})); // AD 1115 where a measurement has it
    EXPECT_FALSE(session.driftMonitor().alarmAt);
    Feed(Measurement(100000, 1115, 10));
    EXPECT_NEAR(session.driftMonitor().drift, 8.05, 1e-9);
    EXPECT_TRUE(session.driftMonitor().alarmAt);
    EXPECT_EQ(session.driftMonitor().alarmMinutes, 0);
    EXPECT_EQ(listener.drifts.size(), 4u);   // the start and three measurements
    ASSERT_EQ(listener.readings.size(), 3u); // each measurement is shown as well
}

TEST_F(Dispatch, ParameterReportSetsTheRangeAndReportsBothPlaces)
{
    // division 1, range 750, calibration 97894, use 98066
    Feed(Reply(0xF6, {1, 0, 0xEE, 0x02, 0x66, 0x7E, 0x01, 0x00, 0x12, 0x7F, 0x01, 0x00}));
    EXPECT_EQ(session.weighing().rangeKg, 750);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].division, 1);
    ASSERT_EQ(listener.places.size(), 2u);
    EXPECT_EQ(listener.places[0].place, GravityPlace::Calibration);
    EXPECT_EQ(listener.places[0].name, "广东-韶关");
    EXPECT_EQ(listener.places[1].place, GravityPlace::Use);
    EXPECT_EQ(listener.places[1].gravity, 98066);
}

// The reported range rounds the next measurement at once: 30 kg, 10 g steps.
TEST_F(Dispatch, ParameterReportRoundsTheNextMeasurementToItsRange)
{
    Feed(Reply(0xF6, {1, 0, 30, 0, 0x66, 0x7E, 0x01, 0x00, 0x66, 0x7E, 0x01, 0x00}));
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].division, 1);
    EXPECT_EQ(listener.reports[0].rangeKg, 30);
    EXPECT_EQ(session.weighing().rangeKg, 30);
    ASSERT_EQ(listener.places.size(), 2u);
    for (const RecordingListener::Place& place : listener.places) {
        EXPECT_EQ(place.name, "广东-韶关");
        EXPECT_EQ(place.gravity, 97894);
    }
    EXPECT_THAT(listener.statuses, IsEmpty());
    EXPECT_THAT(host.boxes, IsEmpty());
    Feed(Measurement(100000, 625, 10)); // 0.0625 kg
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 0.06);
    EXPECT_EQ(DivisionText(listener.readings[0].division), "0.01");
}

// A division, range or gravity the tool has no item for is reported as it
// came; the place is "自定义".
TEST_F(Dispatch, ParameterReportWithoutMatchingItems)
{
    Feed(Reply(0xF6, {7, 0, 20, 0, 0x66, 0x7E, 0x01, 0x00, 0xD0, 0x7E, 0x01, 0x00}));
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].division, 7);
    EXPECT_EQ(session.weighing().rangeKg, 20);
    ASSERT_EQ(listener.places.size(), 2u);
    EXPECT_EQ(listener.places[1].place, GravityPlace::Use);
    EXPECT_EQ(listener.places[1].name, "自定义");
    EXPECT_EQ(listener.places[1].gravity, 98000);
}

TEST_F(Dispatch, CalibrationLogRecordsAreCollected)
{
    // Record 3 at 2018-01-02 00:00:00 (86400 s), zero AD 1000, any AD 2000,
    // 10 kg, type 1; then an empty slot of all 0xFF.
    Feed(Reply(0xF8, {3, 0x80, 0x51, 0x01, 0x00, 0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0, 10, 0, 1}));
    Bytes empty = Reply(0xF8);
    std::fill(empty.begin() + 2, empty.begin() + 18, uint8_t{0xFF});
    empty[18] = static_cast<uint8_t>(Checksum(empty.data(), 18));
    Feed(empty);
    ASSERT_EQ(session.calibrationLog().size(), 2u);
    const CalibrationLogRecord& first = session.calibrationLog()[0];
    EXPECT_EQ(first.number, 3);
    EXPECT_EQ(first.time, "2018-01-02 00:00:00");
    EXPECT_EQ(first.zeroAD, 1000);
    EXPECT_EQ(first.referenceAD, 2000);
    EXPECT_EQ(first.referenceWeightKg, 10);
    EXPECT_EQ(first.operationType, 1);
    EXPECT_EQ(session.calibrationLog()[1].time, "-1");
    EXPECT_EQ(session.calibrationLog()[1].number, 255);
    EXPECT_EQ(listener.records, session.calibrationLog());
    EXPECT_EQ(host.wakeups, 2);
    EXPECT_THAT(listener.statuses, IsEmpty());
    EXPECT_THAT(host.boxes, IsEmpty());
}

// A zero reply clears the tare without telling: the tare shown stays.
TEST_F(Dispatch, ZeroReplyClearsTheTare)
{
    Feed(Measurement(100000, 10000, 10)); // 1 kg
    session.tare();
    Feed(Measurement(100000, 15000, 10));
    EXPECT_DOUBLE_EQ(listener.readings.back().displayed, 0.5);
    EXPECT_DOUBLE_EQ(listener.readings.back().rawWeight, 1.5);
    Feed(Reply(0x68));
    EXPECT_EQ(session.weighing().tare, 0.0);
    EXPECT_THAT(listener.tares, ElementsAre(1.0));
    Feed(Measurement(100000, 15000, 10));
    EXPECT_DOUBLE_EQ(listener.readings.back().displayed, 1.5);
}

TEST_F(Dispatch, BadChecksumChangesNothing)
{
    Bytes ack = Reply(0x00);
    ack[18] ^= 0xFF;
    Feed(ack);
    Bytes weight = Measurement(100000, 15000, 10);
    weight[18] ^= 0x01;
    Feed(weight);
    EXPECT_THAT(listener.replyCodes, IsEmpty());
    EXPECT_EQ(host.wakeups, 0);
    EXPECT_THAT(listener.statuses, IsEmpty());
    EXPECT_THAT(listener.readings, IsEmpty());
    EXPECT_THAT(host.resultLog, IsEmpty());
    EXPECT_THAT(host.errorLog, IsEmpty());
    // The assembly is ready for the next frame.
    Feed(Reply(0x00));
    EXPECT_EQ(host.wakeups, 1);
    EXPECT_THAT(listener.statuses, ElementsAre("设置成功！"));
}

TEST_F(Dispatch, ZeroLengthBlockChangesNothing)
{
    const Bytes frame = Measurement(100000, 15000, 10);
    Feed(Bytes(frame.begin(), frame.begin() + 9));
    session.receive(nullptr, 0);
    EXPECT_TRUE(session.receiving());
    Feed(Bytes(frame.begin() + 9, frame.end()));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 1.5);
}

TEST_F(Dispatch, PowerOnZeroFailureIsShownAndTheWeightToo)
{
    Feed(Measurement(100000, 25000, 10, 0x77));
    EXPECT_THAT(listener.statuses, ElementsAre("上电自动归零失败！"));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_TRUE(listener.readings[0].powerOnZeroFailed);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 2.5);
    EXPECT_THAT(host.resultLog, ElementsAre("实际值：2.5,"));
}

TEST_F(Dispatch, SendingDiscardsAHalfReceivedReply)
{
    const Bytes first = Measurement(100000, 15000, 10);
    Feed(Bytes(first.begin(), first.begin() + 10));
    session.sendCommand(kCmdReadParameters); // the port is closed: the frame is dropped
    Feed(Bytes(first.begin() + 10, first.end()));
    EXPECT_THAT(listener.readings, IsEmpty());
    Feed(Measurement(100000, 25000, 10));
    ASSERT_EQ(listener.readings.size(), 1u);
    EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 2.5);
}

// Which reply answers which waiting operation: the acknowledgement the
// gravity setting, the version number or text the version query (so the
// text is not asked for), a log record the record's wait; no other reply
// answers any of them. The simulator answers nothing here: the only answer
// is the reply fed while the operation waits, and no time needs to pass.
TEST_F(OnSim, EachReplyAnswersOnlyTheOperationWaitingForIt)
{
    OpenOnSim({"--rate", "0", "--silent", "on"});
    host.waitsTakeNoTime = true;
    struct Case {
        const char* name;
        Bytes reply;
        bool gravitySet;
        bool versionAnswered;
        bool logRecordAnswered;
    };
    const Case cases[] = {
        {"00 set ok", Reply(0x00), true, false, false},
        {"01 version", Reply(0x01, {23}), false, true, false},
        {"F2 version text", Reply(0xF2, {'V', '2'}), false, true, false},
        {"F8 record", Reply(0xF8, {1}), false, false, true},
        {"11 failed", Reply(0x11), false, false, false},
        {"22 no zero", Reply(0x22), false, false, false},
        {"33 no any point", Reply(0x33), false, false, false},
        {"44 switch", Reply(0x44), false, false, false},
        {"66 zero calibrated", Reply(0x66), false, false, false},
        {"68 zero set", Reply(0x68), false, false, false},
        {"69 zero failed", Reply(0x69), false, false, false},
        {"88 any point", Reply(0x88), false, false, false},
        {"99 tracking", Reply(0x99), false, false, false},
        {"9A tracking on", Reply(0x9A), false, false, false},
        {"9B tracking off", Reply(0x9B), false, false, false},
        {"F5 range", Reply(0xF5), false, false, false},
        {"F6 parameters",
         Reply(0xF6, {0, 0, 15, 0, 0x66, 0x7E, 0x01, 0x00, 0x66, 0x7E, 0x01, 0x00}), false, false,
         false},
        {"FB beeper", Reply(0xFB, {1}), false, false, false},
        {"10 measurement", Measurement(100000, 15000, 10), false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.whileWaiting = [&](uint32_t) { Feed(session, c.reply); };

        host.answers = {true};
        session.setUseGravity("9.7894");
        EXPECT_EQ(host.boxes.back().text,
                  c.gravitySet ? "设置重力加速度成功！" : "设置重力加速度错误！请重试！");

        SyncWithSim();
        const size_t mark = Mark();
        session.readVersion();
        SyncWithSim();
        std::vector<std::string> versionFrames = {"AA 01 01 00 00 00 00 AD"};
        if (!c.versionAnswered)
            versionFrames.push_back("AA 01 F2 00 00 00 00 9E");
        EXPECT_EQ(FramesSince(mark), versionFrames);

        host.waitsAnswered.clear();
        EXPECT_TRUE(session.readCalibrationLog());
        EXPECT_THAT(host.waitsAnswered,
                    ElementsAreArray(std::vector<bool>(32, c.logRecordAnswered)));
    }
}
