#include "session/scale_session.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <span>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "protocol/daily_code.h"
#include "protocol/date_time.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "protocol/replies.h"
#include "serial/comm.h"
#include "session/port_name.h"
#include "session/scale_line.h"

namespace {

const std::string kGravityNotSet = "设置重力加速度错误！请重试！";
constexpr uint8_t kLogRecords = 32;
constexpr uint32_t kLogRecordWaitMs = 200;
constexpr const char* kDivisionNames[] = {"默认", "5g"};

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
        status("打开串口失败，返回值：" + std::to_string(code));
        listener_.connectionChanged(false);
        return code;
    }
    status("打开串口成功");
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
    status("串口关闭！");
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
    status("串口已断开，正在等待重新连接…");
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
    if (!waitingForDevice() || port_->StartComm() != 1)
        return;
    deviceWatch_.stop();
    status("串口已重新连接");
    listener_.waitingForDevice(false);
    listener_.connectionChanged(true);
    // The controller is greeted as at every open.
    greetController();
}

bool ScaleSession::connected() const { return port_->Handle() != 0; }

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
    status("正在探测串口…");
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
    status("探测完成：" + std::to_string(probeAnswering_) + " 个串口有应答");
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
            host_.showError(logError.what());
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
        for (const ReplyStep& step : DescribeReply(frame)) {
            switch (step.kind) {
            case ReplyStepKind::SetFlag:
                if (step.flag == ReplyFlag::SetAcknowledged)
                    setAcknowledged_ = true;
                if (step.flag == ReplyFlag::VersionAnswered)
                    versionAnswered_ = true;
                if (step.flag == ReplyFlag::LogRecordAnswered)
                    logRecordAnswered_ = true;
                host_.wakeWaiters();
                break;
            case ReplyStepKind::ShowStatus:
                status(step.text);
                break;
            case ReplyStepKind::ShowBox:
                host_.showMessage(step.text);
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
        return true;
    } catch (const std::exception& error) {
        host_.writeErrorLog(std::string("CheckRecDataOK Except:") + error.what());
        return false;
    }
}

void ScaleSession::applyParameterReport(const uint8_t* frame)
{
    const ParameterReport report = DecodeParameterReport(frame);
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
    if (reading.powerOnZeroFailed)
        status("上电自动归零失败！");
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
    status("设置加速度值！");
    host_.writeOperationLog("设置加速度值,加速度值：" + FormatGravity(value));
    setAcknowledged_ = false;
    sendCommand(kCmdSetGravity, GravityData(value));
}

void ScaleSession::setGravityFromTable(GravityPlace place, int row)
{
    if (row < 0 || row >= static_cast<int>(kGravityTable.size()))
        return;
    const GravityTableRow& city = kGravityTable[static_cast<size_t>(row)];
    sendGravity(city.gravity);
    if (!pause(place == GravityPlace::Use ? 500 : 300))
        return;
    if (!setAcknowledged_) {
        host_.showMessage(kGravityNotSet);
        return;
    }
    listener_.placeChanged(place, std::string(city.place), city.gravity);
    // The controller is given a second to take the new gravity into its readings.
    if (place == GravityPlace::Use)
        pause(1000);
}

void ScaleSession::setUseGravity(const std::string& typedValue)
{
    if (!host_.ask("设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？",
                   Question::YesNo))
        return;
    const double value = ParseFloatOr(typedValue, 0.0);
    if (value >= 10 || value <= 9.6) {
        host_.showMessage("加速度值输入错误！");
        return;
    }
    // Halves go to the even neighbour (the default rounding mode).
    sendGravity(static_cast<int32_t>(std::nearbyint(value * 10000)));
    if (!pause(500))
        return;
    host_.showMessage(setAcknowledged_ ? "设置重力加速度成功！" : kGravityNotSet);
}

// --- Calibration and settings -------------------------------------------------

void ScaleSession::calibrateZero()
{
    host_.writeOperationLog("零点标定");
    status("标定零点开始！");
    sendCommand(kCmdZeroCalibration);
}

InputCheck ScaleSession::calibrateWithWeight(const std::string& typedWeight)
{
    if (std::all_of(typedWeight.begin(), typedWeight.end(),
                    [](unsigned char c) { return std::isspace(c); })) {
        host_.showMessage("请输入任意点重量值");
        return InputCheck::Refused;
    }
    status("标定任一点开始！");
    // Text that is no integer ends the action in the general error display.
    const int32_t weight = ParseInt(typedWeight);
    // The command carries 16 bits: a larger weight would calibrate the scale
    // to another one, so it is refused before anything is logged or sent.
    if (weight < 0 || weight > 65535) {
        host_.showMessage("任意点重量值超出范围！");
        return InputCheck::Refused;
    }
    host_.writeOperationLog("标定任一点:" + typedWeight);
    sendCommand(kCmdAnyPointCalibration, AnyPointWeightData(weight));
    return InputCheck::Accepted;
}

InputCheck ScaleSession::setDivision(int choice)
{
    if (choice < 0 || choice >= static_cast<int>(std::size(kDivisionNames))) {
        host_.showMessage("请选择相应在分度值");
        return InputCheck::Refused;
    }
    status("设置分度值开始！");
    host_.writeOperationLog(std::string("设置分度值:") + kDivisionNames[choice]);
    sendCommand(kCmdSetDivision, DivisionData(choice));
    return InputCheck::Accepted;
}

InputCheck ScaleSession::setRange(std::optional<int> rangeKg)
{
    if (!rangeKg) {
        host_.showMessage("请选择相应量程");
        return InputCheck::Refused;
    }
    status("设置量程开始！");
    const auto range = static_cast<uint16_t>(*rangeKg);
    // The weight is rounded with the new range from the next measurement on.
    weighing_.rangeKg = range;
    host_.writeOperationLog("设置量程:" + std::to_string(range));
    sendCommand(kCmdSetRange, RangeData(range));
    return InputCheck::Accepted;
}

void ScaleSession::zeroTrackingOn()
{
    status("设置零点跟踪开始！");
    host_.writeOperationLog("设置零点跟踪开始");
    sendCommand(kCmdZeroTrackingOn);
}

void ScaleSession::zeroTrackingOff()
{
    status("关闭零点跟踪开始！");
    host_.writeOperationLog("关闭零点跟踪开始");
    sendCommand(kCmdZeroTrackingOff);
}

void ScaleSession::queryZeroTracking()
{
    status("查询零点跟踪状态开始！");
    sendCommand(kCmdQueryZeroTracking);
}

void ScaleSession::beeperOn()
{
    status("设置峰鸣器打开开始！");
    host_.writeOperationLog("设置峰鸣器开启");
    sendCommand(kCmdBeeper, BeeperData(kBeeperOn));
}

void ScaleSession::beeperOff()
{
    status("关闭峰鸣器开始！");
    host_.writeOperationLog("关闭峰鸣器开始");
    sendCommand(kCmdBeeper, BeeperData(kBeeperOff));
}

void ScaleSession::queryBeeper()
{
    status("查询峰鸣器状态开始！");
    sendCommand(kCmdBeeper, BeeperData(kBeeperQuery));
}

void ScaleSession::readVersion()
{
    status("读版本开始！");
    versionAnswered_ = false;
    sendCommand(kCmdReadVersion);
    if (!pause(200))
        return;
    if (!versionAnswered_)
        sendCommand(kCmdReadVersionText);
}

bool ScaleSession::readCalibrationLog()
{
    calibrationLog_.clear();
    for (uint8_t record = 1; record <= kLogRecords; ++record) {
        logRecordAnswered_ = false;
        sendCommand(kCmdReadLogRecord, LogRecordData(record));
        // Ends as soon as the record is in the list, or skips it after 200 ms.
        host_.wait(kLogRecordWaitMs, [this] { return logRecordAnswered_; });
        if (host_.ending())
            return false;
    }
    return true;
}

bool ScaleSession::unlock(const std::string& code)
{
    // The code of the moment of confirmation, also just after midnight.
    if (code != DailyCode()) {
        host_.showMessage("错误！");
        return false;
    }
    sendCommand(kCmdOpenCalibrationSwitch);
    return true;
}
