#include "session/controller_commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include "protocol/commands.h"
#include "protocol/daily_code.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "protocol/shown_text.h"
#include "session/reply_path.h"
#include "session/session_host.h"
#include "session/weighing.h"

namespace {

constexpr const char* kGravityNotSet = SHOWN_TEXT("ScaleSession", "设置重力加速度错误！请重试！");
constexpr uint8_t kLogRecords = 32;
constexpr uint32_t kLogRecordWaitMs = 200;
constexpr const char* kDivisionNames[] = {"默认", "5g"};
// The longest the version number may take before the text is asked for.
constexpr uint32_t kVersionWaitMs = 200;
// A fixed pause the controller needs to take a new gravity into its readings.
constexpr uint32_t kGravitySettlingMs = 1000;

} // namespace

bool ControllerCommands::awaitAcknowledgement(ReplyLog::Mark since, uint32_t ms)
{
    replies_.awaitFlag(since, ReplyFlag::SetAcknowledged, ms);
    return !host_.ending();
}

void ControllerCommands::zero() { replies_.send(kCmdSetZero); }

void ControllerCommands::shiftZero() { replies_.send(kCmdShiftZero); }

// --- Place and gravity ------------------------------------------------------

void ControllerCommands::sendGravity(int32_t value)
{
    status(SHOWN_TEXT("ScaleSession", "设置加速度值！"));
    host_.writeOperationLog("设置加速度值,加速度值：" + FormatGravity(value));
    replies_.send(kCmdSetGravity, GravityData(value));
}

void ControllerCommands::setGravityFromTable(GravityPlace place, int row)
{
    if (row < 0 || row >= static_cast<int>(kGravityTable.size()))
        return;
    const GravityTableRow& city = kGravityTable[static_cast<size_t>(row)];
    const ReplyLog::Mark since = replies_.mark();
    sendGravity(city.gravity);
    if (!awaitAcknowledgement(since, place == GravityPlace::Use ? 500 : 300))
        return;
    if (!replies_.log().flagged(since, ReplyFlag::SetAcknowledged)) {
        host_.showMessage(kGravityNotSet);
        return;
    }
    listener_.placeChanged(place, std::string(city.place), city.gravity);
    // The controller is given a second to take the new gravity into its readings.
    if (place == GravityPlace::Use)
        host_.wait(kGravitySettlingMs, {});
}

void ControllerCommands::setUseGravity(const std::string& typedValue)
{
    setUseGravity(ParseFloatOr(typedValue, 0.0));
}

void ControllerCommands::setUseGravity(double value)
{
    if (!host_.ask(SHOWN_TEXT("ScaleSession", "设置使用地重力加速度值、对称重示值有一定的影响！"
                                              "请确保输入的加速度值是否正确？"),
                   Question::YesNo))
        return;
    if (!IsSettableGravity(value)) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "加速度值输入错误！"));
        return;
    }
    // Halves go to the even neighbour (the default rounding mode).
    const ReplyLog::Mark since = replies_.mark();
    const int32_t gravity = static_cast<int32_t>(std::nearbyint(value * 10000));
    sendGravity(gravity);
    if (!awaitAcknowledgement(since, 500))
        return;
    if (!replies_.log().flagged(since, ReplyFlag::SetAcknowledged)) {
        host_.showMessage(kGravityNotSet);
        return;
    }
    // The place shown is what was set: its table names, or "自定义".
    listener_.placeChanged(GravityPlace::Use, PlaceNamesForGravity(gravity), gravity);
    host_.showMessage(SHOWN_TEXT("ScaleSession", "设置重力加速度成功！"));
}

// --- Calibration and settings -------------------------------------------------

void ControllerCommands::calibrateZero()
{
    host_.writeOperationLog("零点标定");
    status(SHOWN_TEXT("ScaleSession", "标定零点开始！"));
    replies_.send(kCmdZeroCalibration);
}

InputCheck ControllerCommands::calibrateWithWeight(const std::string& typedWeight)
{
    const std::optional<int32_t> weight = checkedCalibrationWeight(typedWeight);
    if (!weight)
        return InputCheck::Refused;
    sendWeightCalibration(typedWeight, *weight);
    return InputCheck::Accepted;
}

std::optional<int32_t> ControllerCommands::checkedCalibrationWeight(const std::string& typedWeight)
{
    if (std::all_of(typedWeight.begin(), typedWeight.end(),
                    [](unsigned char c) { return std::isspace(c); })) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "请输入任意点重量值"));
        return std::nullopt;
    }
    status(SHOWN_TEXT("ScaleSession", "标定任一点开始！"));
    // Text that is no integer ends the action in the general error display.
    const int32_t weight = ParseInt(typedWeight);
    // The command carries 16 bits: a larger weight would calibrate the scale
    // to another one, so it is refused before anything is logged or sent.
    if (weight < 0 || weight > 65535) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "任意点重量值超出范围！"));
        return std::nullopt;
    }
    return weight;
}

void ControllerCommands::sendWeightCalibration(const std::string& typedWeight, int32_t weight)
{
    host_.writeOperationLog("标定任一点:" + typedWeight);
    replies_.send(kCmdAnyPointCalibration, AnyPointWeightData(weight));
}

InputCheck ControllerCommands::setDivision(int choice)
{
    if (choice < 0 || choice >= static_cast<int>(std::size(kDivisionNames))) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "请选择相应在分度值"));
        return InputCheck::Refused;
    }
    status(SHOWN_TEXT("ScaleSession", "设置分度值开始！"));
    host_.writeOperationLog(std::string("设置分度值:") + kDivisionNames[choice]);
    replies_.send(kCmdSetDivision, DivisionData(choice));
    return InputCheck::Accepted;
}

InputCheck ControllerCommands::setRange(std::optional<int> rangeKg)
{
    if (!rangeKg) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "请选择相应量程"));
        return InputCheck::Refused;
    }
    status(SHOWN_TEXT("ScaleSession", "设置量程开始！"));
    const auto range = static_cast<uint16_t>(*rangeKg);
    // The weight is rounded with the new range from the next measurement on.
    weighing_.setRangeKg(range);
    host_.writeOperationLog("设置量程:" + std::to_string(range));
    replies_.send(kCmdSetRange, RangeData(range));
    return InputCheck::Accepted;
}

void ControllerCommands::zeroTrackingOn()
{
    status(SHOWN_TEXT("ScaleSession", "设置零点跟踪开始！"));
    host_.writeOperationLog("设置零点跟踪开始");
    replies_.send(kCmdZeroTrackingOn);
}

void ControllerCommands::zeroTrackingOff()
{
    status(SHOWN_TEXT("ScaleSession", "关闭零点跟踪开始！"));
    host_.writeOperationLog("关闭零点跟踪开始");
    replies_.send(kCmdZeroTrackingOff);
}

void ControllerCommands::queryZeroTracking()
{
    status(SHOWN_TEXT("ScaleSession", "查询零点跟踪状态开始！"));
    replies_.send(kCmdQueryZeroTracking);
}

void ControllerCommands::beeperOn()
{
    status(SHOWN_TEXT("ScaleSession", "设置峰鸣器打开开始！"));
    host_.writeOperationLog("设置峰鸣器开启");
    replies_.send(kCmdBeeper, BeeperData(kBeeperOn));
}

void ControllerCommands::beeperOff()
{
    status(SHOWN_TEXT("ScaleSession", "关闭峰鸣器开始！"));
    host_.writeOperationLog("关闭峰鸣器开始");
    replies_.send(kCmdBeeper, BeeperData(kBeeperOff));
}

void ControllerCommands::queryBeeper()
{
    status(SHOWN_TEXT("ScaleSession", "查询峰鸣器状态开始！"));
    replies_.send(kCmdBeeper, BeeperData(kBeeperQuery));
}

void ControllerCommands::readVersion()
{
    status(SHOWN_TEXT("ScaleSession", "读版本开始！"));
    const ReplyLog::Mark since = replies_.mark();
    replies_.send(kCmdReadVersion);
    replies_.awaitFlag(since, ReplyFlag::VersionAnswered, kVersionWaitMs);
    if (host_.ending())
        return;
    if (replies_.log().flagged(since, ReplyFlag::VersionAnswered))
        return;
    const ReplyLog::Mark textSince = replies_.mark();
    replies_.send(kCmdReadVersionText);
    // The answer shows itself; silence would leave "读版本开始！" standing.
    if (!replies_.awaitFlag(textSince, ReplyFlag::VersionAnswered, kVersionWaitMs) &&
        !host_.ending())
        status(SHOWN_TEXT("ScaleSession", "无应答"));
}

bool ControllerCommands::readCalibrationLog()
{
    replies_.clearCalibrationLog();
    for (uint8_t record = 1; record <= kLogRecords; ++record) {
        const ReplyLog::Mark since = replies_.mark();
        replies_.send(kCmdReadLogRecord, LogRecordData(record));
        // Ends as soon as the record is in the list, or skips it after 200 ms.
        replies_.awaitFlag(since, ReplyFlag::LogRecordAnswered, kLogRecordWaitMs);
        if (host_.ending())
            return false;
    }
    return true;
}

bool ControllerCommands::unlock(const std::string& code)
{
    // The code of the moment of confirmation, also just after midnight.
    if (code != DailyCode()) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "错误！"));
        return false;
    }
    replies_.send(kCmdOpenCalibrationSwitch);
    return true;
}
