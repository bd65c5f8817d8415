#include "session/scale_session.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <span>
#include <utility>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "protocol/daily_code.h"
#include "protocol/date_time.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "protocol/replies.h"
#include "protocol/shown_text.h"
#include "serial/comm.h"
#include "session/port_name.h"
#include "session/record_file.h"
#include "session/scale_line.h"

namespace {

constexpr const char* kGravityNotSet = SHOWN_TEXT("ScaleSession", "设置重力加速度错误！请重试！");
constexpr uint8_t kLogRecords = 32;
constexpr uint32_t kLogRecordWaitMs = 200;
constexpr const char* kDivisionNames[] = {"默认", "5g"};
// The waits of a calibration with its record.
constexpr uint32_t kParametersWaitMs = 500;
constexpr uint32_t kCalibrationAnswerWaitMs = 3000;
constexpr uint32_t kReadingsAfterWaitMs = 3000;
// The longest the version number may take before the text is asked for.
constexpr uint32_t kVersionWaitMs = 200;
// A fixed pause the controller needs to take a new gravity into its readings.
constexpr uint32_t kGravitySettlingMs = 1000;

bool IsVersionReply(uint8_t code) { return code == kReplyVersion || code == kReplyVersionText; }

// The controller's answers to a calibration command.
bool IsCalibrationAnswer(uint8_t code)
{
    return code == kReplyZeroCalibrated || code == kReplyAnyPointCalibrated ||
           code == kReplyOpenCalibrationSwitch || code == kReplyZeroNotCalibrated ||
           code == kReplySetFailed;
}

} // namespace

ScaleSession::ScaleSession(SessionHost& host, SessionListener& listener)
    : ScaleSession(host, listener, serial::DefaultCommBackend())
{
}

ScaleSession::ScaleSession(SessionHost& host, SessionListener& listener,
                           serial::CommBackend& backend)
    : host_(host), listener_(listener), prober_(backend)
{
    // The port's events reach the session on the owner's thread, in order.
    port_ = std::make_unique<TComm>(
        [this](std::function<void()> event) { host_.post(std::move(event)); }, backend);
    configurePort();
}

ScaleSession::~ScaleSession()
{
    prober_.stop();
    deviceWatch_.stop();
}

void ScaleSession::configurePort()
{
    port_->SetCommName("COM2");
    port_->SetBaudRate(9600);
    ApplyScaleLineSettings(*port_);
    port_->OnReceiveData = [this](TComm*, const void* buffer, uint16_t length) {
        receive(static_cast<const uint8_t*>(buffer), length);
    };
    port_->OnRequestHangup = [this](TComm*) { portLost(); };
}

bool ScaleSession::pause(uint32_t ms)
{
    host_.wait(ms, {});
    return !host_.ending();
}

bool ScaleSession::awaitAcknowledgement(ReplyLog::Mark since, uint32_t ms)
{
    host_.wait(ms, [&] { return replies_.flagged(since, ReplyFlag::SetAcknowledged); });
    return !host_.ending();
}

// --- The port -------------------------------------------------------------

int32_t ScaleSession::openPort(const std::string& typedName, uint32_t baudRate)
{
    // The probe may be asking this very port; the operator's choice comes first.
    endProbe(true);
    if (waitingForDevice()) {
        deviceWatch_.stop();
        listener_.waitingForDevice(false);
    }
    const std::string name = PortNameToOpen(typedName);
    port_->SetCommName(name);
    port_->SetBaudRate(baudRate);
    const int32_t code = port_->StartComm();
    if (code != 1) {
        const char* fixedText = SHOWN_TEXT("ScaleSession", "打开串口失败，返回值：");
        const serial::OpenRefusal refusal =
            code == -1 ? port_->LastOpenRefusal() : serial::OpenRefusal::None;
        if (refusal == serial::OpenRefusal::Busy)
            listener_.statusWithValueAndReasonChanged(fixedText, std::to_string(code),
                                                      SHOWN_TEXT("ScaleSession", "，串口被占用"));
        else if (refusal == serial::OpenRefusal::NoPermission)
            listener_.statusWithValueAndReasonChanged(
                fixedText, std::to_string(code),
                SHOWN_TEXT("ScaleSession", "，没有使用串口的权限"));
        else
            listener_.statusWithValueChanged(fixedText, std::to_string(code));
        listener_.connectionChanged(false);
        return code;
    }
    device_ = IdentifyDevice(name, byIdFolder_);
    status(SHOWN_TEXT("ScaleSession", "打开串口成功"));
    if (!greetController())
        return code;
    if (remembersPort_) {
        try {
            IniFile ini(SettingsFilePath());
            ini.WriteString(kCommSetSection, kCommNoKey, name);
            ini.WriteInteger(kCommSetSection, kBaudRateKey, static_cast<int>(baudRate));
        } catch (const std::exception&) {
            // The port is open: the controls must say so, or it could not be closed.
            listener_.connectionChanged(true);
            throw;
        }
    }
    listener_.connectionChanged(true);
    return code;
}

bool ScaleSession::greetController()
{
    if (!pause(100))
        return false;
    sendCommand(kCmdSetClock, ClockData(CurrentDateTime()));
    if (!pause(100))
        return false;
    sendCommand(kCmdReadParameters);
    return true;
}

void ScaleSession::closePort()
{
    const bool wasWaiting = waitingForDevice();
    deviceWatch_.stop();
    port_->StopComm();
    parametersCurrent_ = false;
    status(SHOWN_TEXT("ScaleSession", "串口关闭！"));
    listener_.connectionChanged(false);
    if (wasWaiting)
        listener_.waitingForDevice(false);
}

void ScaleSession::shutDown()
{
    endProbe(false);
    deviceWatch_.stop();
    port_->StopComm();
}

void ScaleSession::portLost()
{
    // A second report of the same loss finds the port closed already.
    if (!connected())
        return;
    port_->StopComm();
    parametersCurrent_ = false;
    listener_.portLost();
    if (reconnecting_)
        return; // lost again while being greeted: the waiting goes on
    if (!device_.reopenable()) {
        // Whatever opens next under this name is another program's terminal.
        status(SHOWN_TEXT("ScaleSession", "串口已断开，请重新打开串口！"));
        listener_.connectionChanged(false);
        return;
    }
    silenceReported_ = false;
    status(SHOWN_TEXT("ScaleSession", "串口已断开，正在等待重新连接…"));
    listener_.connectionChanged(false);
    std::weak_ptr<ScaleSession*> self = self_;
    deviceWatch_.start([this, self] {
        host_.post([self] {
            if (const auto session = self.lock())
                (*session)->tryReconnect();
        });
    });
    listener_.waitingForDevice(true);
}

void ScaleSession::tryReconnect()
{
    if (!waitingForDevice() || reconnecting_)
        return;
    port_->SetCommName(device_.path);
    if (port_->StartComm() != 1)
        return;
    // The controller is greeted as at every open; only its answer makes the
    // device the one that was lost.
    reconnecting_ = true;
    const ReplyLog::Mark since = replies_.mark();
    const bool answered = greetController() && awaitParameters(since).has_value();
    reconnecting_ = false;
    if (host_.ending() || !waitingForDevice())
        return; // the program ends, or the operator closed the port meanwhile
    if (!answered) {
        port_->StopComm();
        if (!silenceReported_)
            status(SHOWN_TEXT("ScaleSession", "设备已出现，但控制器无应答，继续等待…"));
        silenceReported_ = true;
        return;
    }
    deviceWatch_.stop();
    status(SHOWN_TEXT("ScaleSession", "串口已重新连接"));
    listener_.waitingForDevice(false);
    listener_.connectionChanged(true);
}

bool ScaleSession::awaitReply(uint32_t ms, const std::function<bool()>& arrived)
{
    ++awaitingReplies_;
    const bool answered = host_.wait(ms, arrived);
    --awaitingReplies_;
    return answered;
}

std::optional<ParameterReport> ScaleSession::awaitParameters(ReplyLog::Mark since)
{
    std::optional<ReplyFrame> report;
    awaitReply(kParametersWaitMs,
               [&] { return (report = replies_.find(since, {kReplyParameters})).has_value(); });
    if (!report)
        return std::nullopt;
    return DecodeParameterReport(report->data());
}

bool ScaleSession::connected() const { return port_->Handle() != 0; }

std::string ScaleSession::portName() const { return port_->CommName(); }

uint32_t ScaleSession::baudRate() const { return port_->BaudRate(); }

int32_t ScaleSession::openWithoutGreeting(const std::string& name, uint32_t baudRate)
{
    const std::string opened = PortNameToOpen(name);
    port_->SetCommName(opened);
    port_->SetBaudRate(baudRate);
    const int32_t code = port_->StartComm();
    if (code == 1)
        device_ = IdentifyDevice(opened, byIdFolder_);
    return code;
}

bool ScaleSession::framesSent() const { return port_->SendDataEmpty(); }

std::string ScaleSession::serialPortList() const { return port_->GetCommList(); }

bool ScaleSession::writeBytes(const uint8_t* data, uint16_t length)
{
    return port_->WriteCommData(data, length);
}

// --- Finding the controller -------------------------------------------------

bool ScaleSession::isOwnPort(const std::string& port) const
{
    return (connected() || waitingForDevice()) &&
           SameDevice(PortNameToOpen(port), port_->CommName());
}

void ScaleSession::probePorts(const std::vector<std::string>& ports, uint32_t baudRate)
{
    if (probing_)
        return;
    probing_ = true;
    probeAnswering_ = 0;
    const uint32_t run = ++probeRun_;
    status(SHOWN_TEXT("ScaleSession", "正在探测串口…"));
    std::vector<std::string> toAsk;
    for (const std::string& port : ports) {
        if (!isOwnPort(port)) {
            toAsk.push_back(port);
        } else if (connected()) {
            // The session is talking to it: it is not disturbed.
            ++probeAnswering_;
            listener_.portProbed(port, true);
        }
    }
    // Tasks posted by the prober run only while the session lives.
    std::weak_ptr<ScaleSession*> self = self_;
    try {
        prober_.start(
            std::move(toAsk), baudRate,
            [this, self, run](const std::string& port, ProbeAnswer answer) {
                host_.post([self, run, port, answer] {
                    if (const auto session = self.lock())
                        (*session)->probeAnswered(run, port, answer);
                });
            },
            [this, self, run] {
                host_.post([self, run] {
                    if (const auto session = self.lock())
                        (*session)->probeDone(run);
                });
            });
    } catch (...) {
        probing_ = false; // no thread: the next press tries again
        throw;
    }
}

void ScaleSession::probeAnswered(uint32_t run, const std::string& port, ProbeAnswer answer)
{
    if (!probing_ || run != probeRun_)
        return;
    const bool answers = answer == ProbeAnswer::Answers;
    if (answers)
        ++probeAnswering_;
    listener_.portProbed(port, answers);
}

void ScaleSession::probeDone(uint32_t run)
{
    if (!probing_ || run != probeRun_)
        return;
    prober_.stop(); // the thread has ended: this only joins it
    probing_ = false;
    listener_.statusWithValueChanged(SHOWN_TEXT("ScaleSession", "探测完成，有应答的串口数："),
                                     std::to_string(probeAnswering_));
    listener_.probeFinished(probeAnswering_);
}

void ScaleSession::endProbe(bool tell)
{
    if (!probing_)
        return;
    prober_.stop();
    probing_ = false;
    ++probeRun_;
    if (tell)
        listener_.probeFinished(probeAnswering_);
}

void ScaleSession::sendCommand(uint8_t code, const CommandData& data)
{
    const CommandFrame frame = BuildCommandFrame(code, data);
    // A closed port drops the frame; nothing tells the operator.
    port_->WriteCommData(frame.data(), static_cast<uint16_t>(frame.size()));
    // A half-received reply is discarded.
    assembler_.reset();
    // These change what the last parameter report said (a weight calibration
    // takes the gravity of the calibration place).
    if (code == kCmdSetGravity || code == kCmdSetDivision || code == kCmdSetRange ||
        code == kCmdZeroCalibration || code == kCmdAnyPointCalibration)
        parametersCurrent_ = false;
}

// --- The receive path -----------------------------------------------------

void ScaleSession::receive(const uint8_t* data, uint16_t length)
{
    // A block that arrives while a reply is being handled (its box is open)
    // is dropped whole.
    if (!canReceive_)
        return;
    canReceive_ = false;
    try {
        assembler_.feed(data, length, [this] { dispatch(); });
    } catch (const std::exception& error) {
        try {
            host_.writeErrorLog(std::string("PDAReceiveData Except:") + error.what());
        } catch (const std::exception& logError) {
            // Not even the error log takes it: shown once, and blocks arriving
            // while the box is open are dropped like those behind any reply box.
            host_.showError(logError);
        }
    }
    canReceive_ = true;
}

bool ScaleSession::dispatch()
{
    const uint8_t* frame = assembler_.frameBuffer;
    try {
        // The assembler hands on only frames whose checksum is good.
        listener_.replyReceived(frame);
        if (IsMeasurementCode(frame[1])) {
            // Only measurement frames carry the live AD the drift monitor watches.
            if (sampling_) {
                drift_.update(ReadI32LE(&frame[6]), CurrentDateTime());
                listener_.driftChanged(drift_);
            }
            showWeight(frame);
            return true;
        }
        replies_.add(frame);
        bool woke = false;
        for (const ReplyStep& step : DescribeReply(frame)) {
            // The version a calibration record asks for is not shown.
            if (quietVersion_ && IsVersionReply(frame[1]) &&
                (step.kind == ReplyStepKind::ShowStatus || step.kind == ReplyStepKind::ShowBox))
                continue;
            switch (step.kind) {
            case ReplyStepKind::SetFlag:
                replies_.flagCurrent(step.flag);
                host_.wakeWaiters();
                woke = true;
                break;
            case ReplyStepKind::ShowStatus:
                if (step.value.empty())
                    status(step.text);
                else
                    listener_.statusWithValueChanged(step.fixedText(), step.value);
                break;
            case ReplyStepKind::ShowBox:
                if (step.value.empty())
                    host_.showMessage(step.text);
                else
                    host_.showMessageWithValue(step.fixedText(), step.value);
                break;
            case ReplyStepKind::WriteOperationLog:
                host_.writeOperationLog(step.text);
                break;
            case ReplyStepKind::ClearTare:
                weighing_.tare = 0;
                break;
            case ReplyStepKind::ApplyParameters:
                applyParameterReport(frame);
                break;
            case ReplyStepKind::AppendLogRecord:
                calibrationLog_.push_back(DecodeCalibrationLogRecord(frame));
                listener_.logRecordReceived(calibrationLog_.back());
                break;
            case ReplyStepKind::ShowWeight:
                showWeight(frame);
                break;
            }
        }
        // A wait for a reply that sets no flag learns of it once its box
        // has been closed, as of the flags.
        if (!woke && awaitingReplies_ > 0)
            host_.wakeWaiters();
        return true;
    } catch (const std::exception& error) {
        host_.writeErrorLog(std::string("CheckRecDataOK Except:") + error.what());
        return false;
    }
}

void ScaleSession::applyParameterReport(const uint8_t* frame)
{
    const ParameterReport report = DecodeParameterReport(frame);
    lastParameters_ = report;
    parametersCurrent_ = true;
    weighing_.rangeKg = report.rangeKg;
    listener_.parametersReported(report);
    listener_.placeChanged(GravityPlace::Calibration,
                           PlaceNamesForGravity(report.calibrationGravity),
                           report.calibrationGravity);
    listener_.placeChanged(GravityPlace::Use, PlaceNamesForGravity(report.useGravity),
                           report.useGravity);
}

void ScaleSession::showWeight(const uint8_t* frame)
{
    const WeightReading reading =
        ComputeWeight(std::span<const uint8_t, kReplyFrameSize>(frame, kReplyFrameSize), weighing_);
    lastReading_ = reading;
    recentReadings_.push_back(reading);
    if (recentReadings_.size() > kReadingsKept)
        recentReadings_.pop_front();
    ++readingsSeen_;
    if (awaitingReadings_ > 0)
        host_.wakeWaiters();
    if (reading.powerOnZeroFailed)
        status(SHOWN_TEXT("ScaleSession", "上电自动归零失败！"));
    listener_.weightMeasured(reading);
    if (host_.resultLogOn())
        host_.writeResultLog(ResultLogLine(reading));
}

// --- Weighing ---------------------------------------------------------------

void ScaleSession::zero() { sendCommand(kCmdSetZero); }

void ScaleSession::shiftZero() { sendCommand(kCmdShiftZero); }

void ScaleSession::tare()
{
    // The weight as shown, to the gram: the next reading of the same load
    // then shows 0.000.
    if (lastReading_)
        weighing_.tare += ParseFloatOr(FormatThreeDecimals(lastReading_->displayed), 0.0);
    listener_.tareChanged(weighing_.tare);
}

void ScaleSession::takeBaseValue()
{
    // The raw weight as shown, to six decimals.
    weighing_.baseValue =
        lastReading_ ? ParseFloatOr(FormatUpToSixDecimals(lastReading_->rawWeight), 0.0) : 0.0;
    listener_.baseValueChanged(weighing_.baseValue);
}

void ScaleSession::clearBaseValue()
{
    weighing_.baseValue = 0;
    listener_.baseValueChanged(weighing_.baseValue);
}

bool ScaleSession::toggleSampling()
{
    sampling_ = !sampling_;
    if (sampling_) {
        drift_.start(CurrentDateTime());
        listener_.driftChanged(drift_);
    }
    return sampling_;
}

// --- Place and gravity ------------------------------------------------------

void ScaleSession::sendGravity(int32_t value)
{
    status(SHOWN_TEXT("ScaleSession", "设置加速度值！"));
    host_.writeOperationLog("设置加速度值,加速度值：" + FormatGravity(value));
    sendCommand(kCmdSetGravity, GravityData(value));
}

void ScaleSession::setGravityFromTable(GravityPlace place, int row)
{
    if (row < 0 || row >= static_cast<int>(kGravityTable.size()))
        return;
    const GravityTableRow& city = kGravityTable[static_cast<size_t>(row)];
    const ReplyLog::Mark since = replies_.mark();
    sendGravity(city.gravity);
    if (!awaitAcknowledgement(since, place == GravityPlace::Use ? 500 : 300))
        return;
    if (!replies_.flagged(since, ReplyFlag::SetAcknowledged)) {
        host_.showMessage(kGravityNotSet);
        return;
    }
    listener_.placeChanged(place, std::string(city.place), city.gravity);
    // The controller is given a second to take the new gravity into its readings.
    if (place == GravityPlace::Use)
        pause(kGravitySettlingMs);
}

void ScaleSession::setUseGravity(const std::string& typedValue)
{
    if (!host_.ask(SHOWN_TEXT("ScaleSession", "设置使用地重力加速度值、对称重示值有一定的影响！"
                                              "请确保输入的加速度值是否正确？"),
                   Question::YesNo))
        return;
    const double value = ParseFloatOr(typedValue, 0.0);
    if (value >= 10 || value <= 9.6) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "加速度值输入错误！"));
        return;
    }
    // Halves go to the even neighbour (the default rounding mode).
    const ReplyLog::Mark since = replies_.mark();
    sendGravity(static_cast<int32_t>(std::nearbyint(value * 10000)));
    if (!awaitAcknowledgement(since, 500))
        return;
    host_.showMessage(replies_.flagged(since, ReplyFlag::SetAcknowledged)
                          ? SHOWN_TEXT("ScaleSession", "设置重力加速度成功！")
                          : kGravityNotSet);
}

// --- Calibration and settings -------------------------------------------------

void ScaleSession::calibrateZero()
{
    host_.writeOperationLog("零点标定");
    status(SHOWN_TEXT("ScaleSession", "标定零点开始！"));
    sendCommand(kCmdZeroCalibration);
}

InputCheck ScaleSession::calibrateWithWeight(const std::string& typedWeight)
{
    const std::optional<int32_t> weight = checkedCalibrationWeight(typedWeight);
    if (!weight)
        return InputCheck::Refused;
    sendWeightCalibration(typedWeight, *weight);
    return InputCheck::Accepted;
}

std::optional<int32_t> ScaleSession::checkedCalibrationWeight(const std::string& typedWeight)
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

void ScaleSession::sendWeightCalibration(const std::string& typedWeight, int32_t weight)
{
    host_.writeOperationLog("标定任一点:" + typedWeight);
    sendCommand(kCmdAnyPointCalibration, AnyPointWeightData(weight));
}

InputCheck ScaleSession::setDivision(int choice)
{
    if (choice < 0 || choice >= static_cast<int>(std::size(kDivisionNames))) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "请选择相应在分度值"));
        return InputCheck::Refused;
    }
    status(SHOWN_TEXT("ScaleSession", "设置分度值开始！"));
    host_.writeOperationLog(std::string("设置分度值:") + kDivisionNames[choice]);
    sendCommand(kCmdSetDivision, DivisionData(choice));
    return InputCheck::Accepted;
}

InputCheck ScaleSession::setRange(std::optional<int> rangeKg)
{
    if (!rangeKg) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "请选择相应量程"));
        return InputCheck::Refused;
    }
    status(SHOWN_TEXT("ScaleSession", "设置量程开始！"));
    const auto range = static_cast<uint16_t>(*rangeKg);
    // The weight is rounded with the new range from the next measurement on.
    weighing_.rangeKg = range;
    host_.writeOperationLog("设置量程:" + std::to_string(range));
    sendCommand(kCmdSetRange, RangeData(range));
    return InputCheck::Accepted;
}

void ScaleSession::zeroTrackingOn()
{
    status(SHOWN_TEXT("ScaleSession", "设置零点跟踪开始！"));
    host_.writeOperationLog("设置零点跟踪开始");
    sendCommand(kCmdZeroTrackingOn);
}

void ScaleSession::zeroTrackingOff()
{
    status(SHOWN_TEXT("ScaleSession", "关闭零点跟踪开始！"));
    host_.writeOperationLog("关闭零点跟踪开始");
    sendCommand(kCmdZeroTrackingOff);
}

void ScaleSession::queryZeroTracking()
{
    status(SHOWN_TEXT("ScaleSession", "查询零点跟踪状态开始！"));
    sendCommand(kCmdQueryZeroTracking);
}

void ScaleSession::beeperOn()
{
    status(SHOWN_TEXT("ScaleSession", "设置峰鸣器打开开始！"));
    host_.writeOperationLog("设置峰鸣器开启");
    sendCommand(kCmdBeeper, BeeperData(kBeeperOn));
}

void ScaleSession::beeperOff()
{
    status(SHOWN_TEXT("ScaleSession", "关闭峰鸣器开始！"));
    host_.writeOperationLog("关闭峰鸣器开始");
    sendCommand(kCmdBeeper, BeeperData(kBeeperOff));
}

void ScaleSession::queryBeeper()
{
    status(SHOWN_TEXT("ScaleSession", "查询峰鸣器状态开始！"));
    sendCommand(kCmdBeeper, BeeperData(kBeeperQuery));
}

void ScaleSession::readVersion()
{
    status(SHOWN_TEXT("ScaleSession", "读版本开始！"));
    const ReplyLog::Mark since = replies_.mark();
    sendCommand(kCmdReadVersion);
    host_.wait(kVersionWaitMs, [&] { return replies_.flagged(since, ReplyFlag::VersionAnswered); });
    if (host_.ending())
        return;
    if (!replies_.flagged(since, ReplyFlag::VersionAnswered))
        sendCommand(kCmdReadVersionText);
}

bool ScaleSession::readCalibrationLog()
{
    calibrationLog_.clear();
    for (uint8_t record = 1; record <= kLogRecords; ++record) {
        const ReplyLog::Mark since = replies_.mark();
        sendCommand(kCmdReadLogRecord, LogRecordData(record));
        // Ends as soon as the record is in the list, or skips it after 200 ms.
        host_.wait(kLogRecordWaitMs,
                   [&] { return replies_.flagged(since, ReplyFlag::LogRecordAnswered); });
        if (host_.ending())
            return false;
    }
    return true;
}

bool ScaleSession::unlock(const std::string& code)
{
    // The code of the moment of confirmation, also just after midnight.
    if (code != DailyCode()) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "错误！"));
        return false;
    }
    sendCommand(kCmdOpenCalibrationSwitch);
    return true;
}

// --- Calibration with its record ----------------------------------------------

RecordedCalibration ScaleSession::calibrateZeroAndRecord()
{
    return calibrateAndRecord(CalibrationKind::Zero, {});
}

RecordedCalibration ScaleSession::calibrateWithWeightAndRecord(const std::string& typedWeight)
{
    return calibrateAndRecord(CalibrationKind::Weight, typedWeight);
}

RecordedCalibration ScaleSession::calibrateAndRecord(CalibrationKind kind,
                                                     const std::string& typedWeight)
{
    RecordedCalibration result;
    std::optional<int32_t> weight;
    if (kind == CalibrationKind::Weight) {
        weight = checkedCalibrationWeight(typedWeight);
        if (!weight) {
            result.input = InputCheck::Refused;
            return result;
        }
    }
    // A press while an earlier record is still being completed runs inside
    // that record's waits: its command goes out now, its record is completed
    // first, then the earlier one goes on from what the line delivered.
    const bool earlierRecordOpen = recordings_ > 0;
    ++recordings_;
    struct RecordingEnds {
        int& recordings;
        ~RecordingEnds() { --recordings; }
    } recordingEnds{recordings_};

    CalibrationRecord record;
    record.kind = kind;
    record.weightKg = weight.value_or(0);
    record.operatorName = operatorName_;
    record.testWeightId = testWeightId_;
    record.tareKg = weighing_.tare;
    // The report of the last open serves when nothing was sent since that
    // could change it: a calibration then goes out exactly as without its
    // record. Behind an earlier record, the last report known serves, so
    // that nothing holds the command back.
    record.before = parametersCurrent_ || earlierRecordOpen ? lastParameters_ : readParameters();
    if (host_.ending())
        return result;

    record.asFound = summarizeRecentReadings(kSummaryReadings);
    const DateTime sentAt = CurrentDateTime();
    record.time = FormatDateTime(kPatternDateTime, sentAt);
    const ReplyLog::Mark sent = replies_.mark();
    readingsAtCalibrationCommand_ = readingsSeen_;
    if (kind == CalibrationKind::Zero)
        calibrateZero();
    else
        sendWeightCalibration(typedWeight, *weight);
    std::optional<ReplyFrame> answer;
    awaitReply(kCalibrationAnswerWaitMs, [&] {
        return (answer = replies_.find(
                    sent, [](const ReplyFrame& frame) { return IsCalibrationAnswer(frame[1]); }))
            .has_value();
    });
    const uint8_t confirmation =
        kind == CalibrationKind::Zero ? kReplyZeroCalibrated : kReplyAnyPointCalibrated;
    if (host_.ending() || !answer || (*answer)[1] != confirmation)
        return result;

    record.asLeft = summarizeNextReadings();
    if (host_.ending())
        return result;
    record.after = readParameters();
    if (host_.ending())
        return result;
    record.boardVersion = readBoardVersion();
    if (host_.ending())
        return result;
    const std::optional<CalibrationLogRecords> log = readCalibrationLogForRecord();
    if (!log)
        return result;
    record.logRecord = FindLogRecordOf(*log, kind, record.weightKg, sentAt, CurrentDateTime());

    result.record = recordFile_.empty() ? record : AppendRecord(recordFile_, record);
    return result;
}

std::optional<ParameterReport> ScaleSession::readParameters()
{
    const ReplyLog::Mark since = replies_.mark();
    sendCommand(kCmdReadParameters);
    return awaitParameters(since);
}

std::string ScaleSession::readBoardVersion()
{
    // The version a record asks for is not shown; restored, not cleared, for
    // a record completed inside another's waits.
    const bool wasQuiet = std::exchange(quietVersion_, true);
    const ReplyLog::Mark since = replies_.mark();
    auto version = [&] { return replies_.find(since, {kReplyVersion, kReplyVersionText}); };
    sendCommand(kCmdReadVersion);
    host_.wait(kVersionWaitMs, [&] { return version().has_value(); });
    if (!version() && !host_.ending()) {
        sendCommand(kCmdReadVersionText);
        host_.wait(kVersionWaitMs, [&] { return version().has_value(); });
    }
    quietVersion_ = wasQuiet;
    const std::optional<ReplyFrame> frame = version();
    if (!frame)
        return {};
    return (*frame)[1] == kReplyVersion ? std::to_string(DecodeVersionNumber(frame->data()))
                                        : DecodeVersionText(frame->data());
}

std::optional<CalibrationLogRecords> ScaleSession::readCalibrationLogForRecord()
{
    const ReplyLog::Mark since = replies_.mark();
    if (!readCalibrationLog())
        return std::nullopt;
    CalibrationLogRecords log;
    for (const ReplyFrame& frame : replies_.all(since, {kReplyLogRecord}))
        log.push_back(DecodeCalibrationLogRecord(frame.data()));
    return log;
}

std::optional<ReadingSummary> ScaleSession::summarizeRecentReadings(size_t count) const
{
    count = std::min(count, recentReadings_.size());
    return SummarizeReadings(std::vector<WeightReading>(
        recentReadings_.end() - static_cast<long>(count), recentReadings_.end()));
}

std::optional<ReadingSummary> ScaleSession::summarizeNextReadings()
{
    const uint64_t first = readingsSeen_;
    ++awaitingReadings_;
    host_.wait(kReadingsAfterWaitMs, [&] { return readingsSeen_ - first >= kSummaryReadings; });
    --awaitingReadings_;
    // The readings after `first`, up to kSummaryReadings, and none after a
    // later calibration command (pressed meanwhile): those show its load.
    uint64_t end = std::min(readingsSeen_, first + kSummaryReadings);
    if (readingsAtCalibrationCommand_ > first)
        end = std::min(end, readingsAtCalibrationCommand_);
    const uint64_t kept = readingsSeen_ - recentReadings_.size();
    const uint64_t from = std::max(first, kept);
    if (end <= from)
        return std::nullopt;
    const auto begin = recentReadings_.begin() + static_cast<long>(from - kept);
    return SummarizeReadings(
        std::vector<WeightReading>(begin, begin + static_cast<long>(end - from)));
}
