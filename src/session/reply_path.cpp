#include "session/reply_path.h"

#include <string>
#include <utility>

#include "protocol/gravity.h"
#include "session/port_connection.h"
#include "session/session_host.h"
#include "session/session_listener.h"
#include "session/weighing.h"

namespace {

// The longest a parameter report may take to come.
constexpr uint32_t kParametersWaitMs = 500;

bool IsVersionReply(uint8_t code) { return code == kReplyVersion || code == kReplyVersionText; }

// Commands that change what the last parameter report said (a weight
// calibration takes the gravity of the calibration place).
bool ChangesParameters(uint8_t code)
{
    return code == kCmdSetGravity || code == kCmdSetDivision || code == kCmdSetRange ||
           code == kCmdZeroCalibration || code == kCmdAnyPointCalibration;
}

} // namespace

void ReplyPath::send(uint8_t code, const CommandData& data)
{
    const CommandFrame frame = BuildCommandFrame(code, data);
    // A closed port drops the frame; nothing tells the operator.
    connection_.write(frame.data(), static_cast<uint16_t>(frame.size()));
    // A half-received reply is discarded.
    assembler_.reset();
    if (ChangesParameters(code))
        parametersCurrent_ = false;
}

void ReplyPath::receive(const uint8_t* data, uint16_t length)
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

void ReplyPath::dispatch()
{
    const uint8_t* frame = assembler_.frameBuffer;
    try {
        // The assembler hands on only frames whose checksum is good.
        listener_.replyReceived(frame);
        if (IsMeasurementCode(frame[1])) {
            weighing_.measured(frame);
            return;
        }
        log_.add(frame);
        bool woke = false;
        for (const ReplyStep& step : DescribeReply(frame))
            woke = apply(step, frame) || woke;
        // A wait for a reply that sets no flag learns of it once its box
        // has been closed, as of the flags.
        if (!woke && awaiting_ > 0)
            host_.wakeWaiters();
    } catch (const std::exception& error) {
        host_.writeErrorLog(std::string("CheckRecDataOK Except:") + error.what());
    }
}

bool ReplyPath::apply(const ReplyStep& step, const uint8_t* frame)
{
    // The version a calibration record asks for is not shown.
    if (quietVersion_ && IsVersionReply(frame[1]) &&
        (step.kind == ReplyStepKind::ShowStatus || step.kind == ReplyStepKind::ShowBox))
        return false;
    switch (step.kind) {
    case ReplyStepKind::SetFlag:
        log_.flagCurrent(step.flag);
        host_.wakeWaiters();
        return true;
    case ReplyStepKind::ShowStatus:
        if (step.value.empty())
            listener_.statusChanged(step.text);
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
        weighing_.clearTare();
        break;
    case ReplyStepKind::ApplyParameters:
        applyParameterReport(frame);
        break;
    case ReplyStepKind::AppendLogRecord:
        calibrationLog_.push_back(DecodeCalibrationLogRecord(frame));
        listener_.logRecordReceived(calibrationLog_.back());
        break;
    case ReplyStepKind::ShowWeight:
        weighing_.show(frame);
        break;
    }
    return false;
}

void ReplyPath::applyParameterReport(const uint8_t* frame)
{
    const ParameterReport report = DecodeParameterReport(frame);
    lastParameters_ = report;
    parametersCurrent_ = true;
    weighing_.setRangeKg(report.rangeKg);
    listener_.parametersReported(report);
    listener_.placeChanged(GravityPlace::Calibration,
                           PlaceNamesForGravity(report.calibrationGravity),
                           report.calibrationGravity);
    listener_.placeChanged(GravityPlace::Use, PlaceNamesForGravity(report.useGravity),
                           report.useGravity);
}

bool ReplyPath::awaitFlag(ReplyLog::Mark since, ReplyFlag flag, uint32_t ms)
{
    return host_.wait(ms, [&] { return log_.flagged(since, flag); });
}

bool ReplyPath::await(uint32_t ms, const std::function<bool()>& arrived)
{
    ++awaiting_;
    const bool answered = host_.wait(ms, arrived);
    --awaiting_;
    return answered;
}

std::optional<ParameterReport> ReplyPath::awaitParameters(ReplyLog::Mark since)
{
    std::optional<ReplyFrame> report;
    await(kParametersWaitMs,
          [&] { return (report = log_.find(since, {kReplyParameters})).has_value(); });
    if (!report)
        return std::nullopt;
    return DecodeParameterReport(report->data());
}

bool ReplyPath::quietVersion(bool quiet) { return std::exchange(quietVersion_, quiet); }

void ReplyPath::connectionEnded()
{
    parametersCurrent_ = false;
    weighing_.connectionEnded();
}
