#include "protocol/replies.h"

#include <algorithm>

#include "protocol/shown_text.h"

namespace {

struct FixedStep {
    ReplyStepKind kind;
    const char* text;
    ReplyFlag flag;
};

constexpr FixedStep status(const char* text)
{
    return {ReplyStepKind::ShowStatus, text, ReplyFlag::None};
}
constexpr FixedStep box(const char* text)
{
    return {ReplyStepKind::ShowBox, text, ReplyFlag::None};
}
constexpr FixedStep opLog(const char* text)
{
    return {ReplyStepKind::WriteOperationLog, text, ReplyFlag::None};
}
constexpr FixedStep setFlag(ReplyFlag flag) { return {ReplyStepKind::SetFlag, nullptr, flag}; }
constexpr FixedStep step(ReplyStepKind kind) { return {kind, nullptr, ReplyFlag::None}; }

struct FixedRule {
    uint8_t code;
    std::array<FixedStep, 3> steps;
    size_t count;
};

// Replies whose handling does not depend on their payload text.
constexpr FixedRule kFixedRules[] = {
    {kReplySetOK,
     {setFlag(ReplyFlag::SetAcknowledged), status(SHOWN_TEXT("ScaleSession", "设置成功！"))},
     2},
    {kReplySetFailed,
     {status(SHOWN_TEXT("ScaleSession", "设置失败")),
      box(SHOWN_TEXT("ScaleSession", "设置失败！"))},
     2},
    {kReplyZeroNotCalibrated, {status(SHOWN_TEXT("ScaleSession", "未标定零点！"))}, 1},
    {kReplyAnyPointNotCalibrated, {status(SHOWN_TEXT("ScaleSession", "未标定任意点！"))}, 1},
    {kReplyOpenCalibrationSwitch,
     {status(SHOWN_TEXT("ScaleSession", "请打开标定开关！")),
      box(SHOWN_TEXT("ScaleSession", "请打开标定开关！"))},
     2},
    {kReplyZeroCalibrated,
     {opLog("零点标定成功"), status(SHOWN_TEXT("ScaleSession", "零点标定成功！")),
      box(SHOWN_TEXT("ScaleSession", "零点标定成功！"))},
     3},
    {kReplyZeroSet,
     {step(ReplyStepKind::ClearTare), status(SHOWN_TEXT("ScaleSession", "手动置零成功！")),
      box(SHOWN_TEXT("ScaleSession", "手动置零成功！"))},
     3},
    {kReplyZeroSetFailed,
     {status(SHOWN_TEXT("ScaleSession", "手动置零失败！")),
      box(SHOWN_TEXT("ScaleSession", "手动置零失败！"))},
     2},
    {kReplyAnyPointCalibrated,
     {opLog("任意点标定成功"), status(SHOWN_TEXT("ScaleSession", "任意点标定成功！")),
      box(SHOWN_TEXT("ScaleSession", "任意点标定成功！"))},
     3},
    {kReplyZeroTrackingSet,
     {opLog("零位跟踪配置成功"), status(SHOWN_TEXT("ScaleSession", "零位跟踪配置成功！")),
      box(SHOWN_TEXT("ScaleSession", "零位跟踪配置成功！"))},
     3},
    {kReplyZeroTrackingOn,
     {status(SHOWN_TEXT("ScaleSession", "零位跟踪状态开！")),
      box(SHOWN_TEXT("ScaleSession", "零位跟踪状态开！"))},
     2},
    {kReplyZeroTrackingOff,
     {status(SHOWN_TEXT("ScaleSession", "零位跟踪状态关！")),
      box(SHOWN_TEXT("ScaleSession", "零位跟踪状态关！"))},
     2},
    {kReplyRangeSet,
     {opLog("设置量程成功"), status(SHOWN_TEXT("ScaleSession", "设置量程成功！")),
      box(SHOWN_TEXT("ScaleSession", "设置量程成功！"))},
     3},
    {kReplyParameters, {step(ReplyStepKind::ApplyParameters)}, 1},
    {kReplyLogRecord,
     {step(ReplyStepKind::AppendLogRecord), setFlag(ReplyFlag::LogRecordAnswered)},
     2},
};

// The fixed start of the version replies' text; the version follows it.
constexpr const char* kVersionCaption = SHOWN_TEXT("ScaleSession", "版本号:");

// Replies whose texts are built from their payload.
constexpr uint8_t kPayloadTextCodes[] = {kReplyVersion, kReplyVersionText, kReplyBeeper};

constexpr std::array<bool, 256> kHasOwnCase = [] {
    std::array<bool, 256> table{};
    for (const FixedRule& rule : kFixedRules)
        table[rule.code] = true;
    for (uint8_t code : kPayloadTextCodes)
        table[code] = true;
    return table;
}();

// Status, box, then the flag: the waiting operation sees the flag only after
// the operator has closed the box.
void statusBoxFlag(ReplyAction& action, const std::string& fixedText, const std::string& value,
                   ReplyFlag flag)
{
    const std::string text = fixedText + value;
    action.add({ReplyStepKind::ShowStatus, text, ReplyFlag::None, value});
    action.add({ReplyStepKind::ShowBox, text, ReplyFlag::None, value});
    if (flag != ReplyFlag::None)
        action.add({ReplyStepKind::SetFlag, {}, flag});
}

std::string displayable(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; }, '?');
    return text;
}

} // namespace

bool IsMeasurementCode(uint8_t code) { return !kHasOwnCase[code]; }

ParameterReport DecodeParameterReport(const uint8_t* frame)
{
    return {frame[2], ReadU16LE(frame + 4), ReadI32LE(frame + 6), ReadI32LE(frame + 10)};
}

uint8_t DecodeVersionNumber(const uint8_t* frame) { return frame[2]; }

std::string DecodeVersionText(const uint8_t* frame)
{
    const char* text = reinterpret_cast<const char*>(frame + 2);
    return std::string(text, std::find(text, text + 16, '\0'));
}

bool DecodeBeeperOn(const uint8_t* frame) { return frame[2] == 1; }

ReplyAction DescribeReply(const uint8_t* frame)
{
    const uint8_t code = frame[1];
    ReplyAction action;
    if (IsMeasurementCode(code)) {
        action.add({ReplyStepKind::ShowWeight});
        return action;
    }
    switch (code) {
    case kReplyVersion:
        statusBoxFlag(action, kVersionCaption, std::to_string(DecodeVersionNumber(frame)),
                      ReplyFlag::VersionAnswered);
        return action;
    case kReplyVersionText:
        statusBoxFlag(action, kVersionCaption, displayable(DecodeVersionText(frame)),
                      ReplyFlag::VersionAnswered);
        return action;
    case kReplyBeeper:
        statusBoxFlag(action,
                      DecodeBeeperOn(frame) ? SHOWN_TEXT("ScaleSession", "峰鸣器打开！")
                                            : SHOWN_TEXT("ScaleSession", "峰鸣器关闭！"),
                      {}, ReplyFlag::None);
        return action;
    default:
        break;
    }
    const FixedRule& rule = *std::find_if(std::begin(kFixedRules), std::end(kFixedRules),
                                          [code](const FixedRule& r) { return r.code == code; });
    for (size_t i = 0; i < rule.count; ++i) {
        const FixedStep& s = rule.steps[i];
        action.add({s.kind, s.text ? s.text : "", s.flag});
    }
    return action;
}
