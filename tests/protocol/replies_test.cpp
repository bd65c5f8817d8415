#include "protocol/replies.h"

#include "protocol/log_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Kind = ReplyStepKind;

ReplyFrame reply(uint8_t code, std::initializer_list<uint8_t> payloadStart = {})
{
    uint8_t payload[16] = {};
    std::copy(payloadStart.begin(), payloadStart.end(), payload);
    return BuildReplyFrame(code, payload);
}

std::vector<ReplyStep> stepsOf(const ReplyFrame& frame)
{
    const ReplyAction action = DescribeReply(frame.data());
    return {action.begin(), action.end()};
}

ReplyStep status(const char* t) { return {Kind::ShowStatus, t}; }
ReplyStep box(const char* t) { return {Kind::ShowBox, t}; }
ReplyStep opLog(const char* t) { return {Kind::WriteOperationLog, t}; }
ReplyStep flag(ReplyFlag f) { return {Kind::SetFlag, "", f}; }
ReplyStep only(Kind k) { return {k}; }

} // namespace

TEST(ReplyDispatch, StepsAndTextsPerCode)
{
    const struct {
        ReplyFrame frame;
        std::vector<ReplyStep> steps;
    } table[] = {
        {reply(0x00), {flag(ReplyFlag::SetAcknowledged), status("设置成功！")}},
        {reply(0x01, {23}),
         {status("版本号:23"), box("版本号:23"), flag(ReplyFlag::VersionAnswered)}},
        {reply(0x11), {status("设置失败"), box("设置失败！")}},
        {reply(0x22), {status("未标定零点！")}},
        {reply(0x33), {status("未标定任意点！")}},
        {reply(0x44), {status("请打开标定开关！"), box("请打开标定开关！")}},
        {reply(0x66), {opLog("零点标定成功"), status("零点标定成功！"), box("零点标定成功！")}},
        {reply(0x68), {only(Kind::ClearTare), status("手动置零成功！"), box("手动置零成功！")}},
        {reply(0x69), {status("手动置零失败！"), box("手动置零失败！")}},
        {reply(0x88),
         {opLog("任意点标定成功"), status("任意点标定成功！"), box("任意点标定成功！")}},
        {reply(0x99),
         {opLog("零位跟踪配置成功"), status("零位跟踪配置成功！"), box("零位跟踪配置成功！")}},
        {reply(0x9A), {status("零位跟踪状态开！"), box("零位跟踪状态开！")}},
        {reply(0x9B), {status("零位跟踪状态关！"), box("零位跟踪状态关！")}},
        {reply(0xF2, {'V', '2', '.', '2'}),
         {status("版本号:V2.2"), box("版本号:V2.2"), flag(ReplyFlag::VersionAnswered)}},
        {reply(0xF5), {opLog("设置量程成功"), status("设置量程成功！"), box("设置量程成功！")}},
        {reply(0xF6), {only(Kind::ApplyParameters)}},
        {reply(0xF8), {only(Kind::AppendLogRecord), flag(ReplyFlag::LogRecordAnswered)}},
        {reply(0xFB, {1}), {status("峰鸣器打开！"), box("峰鸣器打开！")}},
        {reply(0xFB, {0}), {status("峰鸣器关闭！"), box("峰鸣器关闭！")}},
        {reply(0xFB, {2}), {status("峰鸣器关闭！"), box("峰鸣器关闭！")}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << int(row.frame[1]));
        EXPECT_EQ(stepsOf(row.frame), row.steps);
    }
}

// A version's text is a fixed caption and the version after it; a window
// translates the caption alone. Every other text is fixed as a whole.
TEST(ReplyDispatch, VersionTextsSayWhereTheirValueBegins)
{
    for (const ReplyFrame& frame : {reply(0x01, {23}), reply(0xF2, {'V', '2', '.', '2'})}) {
        for (const ReplyStep& step : stepsOf(frame)) {
            if (step.kind != Kind::ShowStatus && step.kind != Kind::ShowBox)
                continue;
            EXPECT_EQ(step.fixedText(), "版本号:");
            EXPECT_EQ(step.fixedText() + step.value, step.text);
            EXPECT_FALSE(step.value.empty());
        }
    }
    for (int code = 0; code < 256; ++code) {
        if (code == 0x01 || code == 0xF2)
            continue;
        for (const ReplyStep& step : stepsOf(reply(static_cast<uint8_t>(code), {1})))
            EXPECT_EQ(step.value, "") << "code " << code;
    }
}

TEST(ReplyDispatch, EveryOtherCodeIsAMeasurementFrame)
{
    int ownCases = 0;
    for (int code = 0; code < 256; ++code) {
        if (!IsMeasurementCode(static_cast<uint8_t>(code))) {
            ++ownCases;
            continue;
        }
        EXPECT_EQ(stepsOf(reply(static_cast<uint8_t>(code))), std::vector{only(Kind::ShowWeight)});
    }
    EXPECT_EQ(ownCases, 18);
    EXPECT_TRUE(IsMeasurementCode(0x77));
}

TEST(ReplyDecoding, VersionText)
{
    EXPECT_EQ(
        DecodeVersionText(reply(0xF2, {'S', 'C', 'L', '-', '1', '.', '0', '4', 'a', 'b'}).data()),
        "SCL-1.04ab"); // ten characters, six zero bytes
    const char* full = "0123456789ABCDEF";
    ReplyFrame frame = reply(0xF2);
    std::memcpy(frame.data() + 2, full, 16);
    EXPECT_EQ(DecodeVersionText(frame.data()), full); // no zero byte: all 16, nothing beyond
    EXPECT_EQ(DecodeVersionText(reply(0xF2, {'A', 0, 'B'}).data()), "A");
    EXPECT_EQ(DecodeVersionText(reply(0xF2).data()), "");
    EXPECT_EQ(stepsOf(reply(0xF2, {'V', 0xB0, '1'}))[0].text, "版本号:V?1"); // stays valid UTF-8
    EXPECT_EQ(DecodeVersionNumber(reply(0x01, {255}).data()), 255);
}

TEST(ReplyDecoding, ParameterReport)
{
    // Division 1, range 30, 9.7894 in both places.
    const ReplyFrame frame =
        reply(0xF6, {1, 0x77, 30, 0, 0x66, 0x7E, 0x01, 0x00, 0x66, 0x7E, 0x01, 0x00});
    const ParameterReport p = DecodeParameterReport(frame.data());
    EXPECT_EQ(p.division, 1);
    EXPECT_EQ(p.rangeKg, 30);
    EXPECT_EQ(p.calibrationGravity, 97894);
    EXPECT_EQ(p.useGravity, 97894);

    const ParameterReport q = DecodeParameterReport(
        reply(0xF6, {7, 0, 0xEE, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E, 0x7F, 0x01, 0x00}).data());
    EXPECT_EQ(q.division, 7);
    EXPECT_EQ(q.rangeKg, 750);
    EXPECT_EQ(q.calibrationGravity, -1);
    EXPECT_EQ(q.useGravity, 98062);
    EXPECT_EQ(DecodeParameterReport(reply(0xF6, {0, 0, 0xFF, 0xFF}).data()).rangeKg, 65535);
}

TEST(ReplyDecoding, Beeper)
{
    EXPECT_TRUE(DecodeBeeperOn(reply(0xFB, {1}).data()));
    EXPECT_FALSE(DecodeBeeperOn(reply(0xFB, {0}).data()));
    EXPECT_FALSE(DecodeBeeperOn(reply(0xFB, {2}).data()));
    EXPECT_FALSE(DecodeBeeperOn(reply(0xFB, {0xFF}).data()));
}

TEST(SetLog, RecordFieldsInOrder)
{
    // No 7, 2018-01-02 00:00:01, zero AD 1000, any AD -123456, 750 kg, type 3.
    const ReplyFrame frame = reply(
        0xF8, {7, 0x81, 0x51, 0x01, 0x00, 0xE8, 0x03, 0, 0, 0xC0, 0x1D, 0xFE, 0xFF, 0xEE, 0x02, 3});
    const CalibrationLogRecord r = DecodeCalibrationLogRecord(frame.data());
    EXPECT_EQ(r, (CalibrationLogRecord{7, "2018-01-02 00:00:01", 1000, -123456, 750, 3}));

    EXPECT_EQ(DecodeCalibrationLogRecord(reply(0xF8, {1}).data()).time, "2018-01-01 00:00:00");

    uint8_t allOnes[16];
    std::memset(allOnes, 0xFF, sizeof allOnes);
    // Every field's bytes 0xFF: an unused slot.
    EXPECT_EQ(DecodeCalibrationLogRecord(BuildReplyFrame(0xF8, allOnes).data()),
              (CalibrationLogRecord{255, "-1", -1, -1, 65535, 255, true}));
    EXPECT_FALSE(r.empty);
    // One field of another value makes it a record (a weight of 65535 kg).
    allOnes[15] = 0x01;
    EXPECT_FALSE(DecodeCalibrationLogRecord(BuildReplyFrame(0xF8, allOnes).data()).empty);
}

TEST(SetLog, TimeField)
{
    EXPECT_EQ(FormatCalibrationLogTime(0), "2018-01-01 00:00:00");
    EXPECT_EQ(FormatCalibrationLogTime(59), "2018-01-01 00:00:59");
    EXPECT_EQ(FormatCalibrationLogTime(282126615), "2026-12-10 08:30:15");
    EXPECT_EQ(FormatCalibrationLogTime(2147483647), "2086-01-19 03:14:07");
    EXPECT_EQ(FormatCalibrationLogTime(-2147483647 - 1), "-2147483648");
}

TEST(SetLog, ListOwnsRecordsInArrivalOrder)
{
    CalibrationLogRecords records;
    records.push_back(DecodeCalibrationLogRecord(reply(0xF8, {2}).data()));
    records.push_back(
        DecodeCalibrationLogRecord(reply(0xF8, {2}).data())); // two replies, one request
    records.push_back(DecodeCalibrationLogRecord(reply(0xF8, {3}).data()));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].number, 2);
    EXPECT_EQ(records[2].number, 3);
    records.clear();
    EXPECT_TRUE(records.empty());
}
