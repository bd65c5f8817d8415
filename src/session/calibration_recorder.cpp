#include "session/calibration_recorder.h"

#include <algorithm>
#include <utility>

#include "protocol/commands.h"
#include "protocol/date_time.h"
#include "session/record_file.h"
#include "session/reply_path.h"
#include "session/session_host.h"
#include "session/weighing.h"

namespace {

constexpr uint32_t kCalibrationAnswerWaitMs = 3000;
constexpr uint32_t kReadingsAfterWaitMs = 3000;
// The longest the version number may take before the text is asked for.
constexpr uint32_t kVersionWaitMs = 200;

// The controller's answers to a calibration command.
bool IsCalibrationAnswer(uint8_t code)
{
    return code == kReplyZeroCalibrated || code == kReplyAnyPointCalibrated ||
           code == kReplyOpenCalibrationSwitch || code == kReplyZeroNotCalibrated ||
           code == kReplySetFailed;
}

} // namespace

RecordedCalibration CalibrationRecorder::calibrate(CalibrationKind kind,
                                                   const std::string& typedWeight)
{
    RecordedCalibration result;
    std::optional<int32_t> weight;
    if (kind == CalibrationKind::Weight) {
        weight = commands_.checkedCalibrationWeight(typedWeight);
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

    CalibrationRecord record = newRecord(kind, weight.value_or(0), earlierRecordOpen);
    if (host_.ending())
        return result;
    const std::optional<DateTime> sentAt = sendAndConfirm(record, typedWeight);
    if (!sentAt || !complete(record, *sentAt))
        return result;
    if (recordStore_)
        result.record = recordStore_->append(record);
    else
        result.record = recordFile_.empty() ? record : AppendRecord(recordFile_, record);
    return result;
}

CalibrationRecord CalibrationRecorder::newRecord(CalibrationKind kind, int weightKg,
                                                 bool earlierRecordOpen)
{
    CalibrationRecord record;
    record.kind = kind;
    record.weightKg = weightKg;
    record.operatorName = operatorName_;
    record.testWeightId = testWeightId_;
    record.tareKg = weighing_.state().tare;
    record.port = connection_.portName();
    record.board = boardId_;
    // The report of the last open serves when nothing was sent since that
    // could change it: a calibration then goes out exactly as without its
    // record. Behind an earlier record, the last report known serves, so
    // that nothing holds the command back.
    record.before = replies_.parametersCurrent() || earlierRecordOpen ? replies_.lastParameters()
                                                                      : readParameters();
    return record;
}

std::optional<DateTime> CalibrationRecorder::sendAndConfirm(CalibrationRecord& record,
                                                            const std::string& typedWeight)
{
    record.asFound = weighing_.summarizeRecent(kSummaryReadings);
    const DateTime sentAt = CurrentDateTime();
    record.time = FormatDateTime(kPatternDateTime, sentAt);
    const ReplyLog::Mark sent = replies_.mark();
    readingsAtCalibrationCommand_ = weighing_.readingsSeen();
    if (record.kind == CalibrationKind::Zero)
        commands_.calibrateZero();
    else
        commands_.sendWeightCalibration(typedWeight, record.weightKg);
    std::optional<ReplyFrame> answer;
    replies_.await(kCalibrationAnswerWaitMs, [&] {
        return (answer = replies_.log().find(
                    sent, [](const ReplyFrame& frame) { return IsCalibrationAnswer(frame[1]); }))
            .has_value();
    });
    const uint8_t confirmation =
        record.kind == CalibrationKind::Zero ? kReplyZeroCalibrated : kReplyAnyPointCalibrated;
    if (host_.ending() || !answer || (*answer)[1] != confirmation)
        return std::nullopt;
    return sentAt;
}

bool CalibrationRecorder::complete(CalibrationRecord& record, DateTime sentAt)
{
    record.asLeft = summarizeNextReadings();
    if (host_.ending())
        return false;
    record.after = readParameters();
    if (host_.ending())
        return false;
    record.boardVersion = readBoardVersion();
    if (host_.ending())
        return false;
    const std::optional<CalibrationLogRecords> log = readCalibrationLog();
    if (!log)
        return false;
    record.logRecord =
        FindLogRecordOf(*log, record.kind, record.weightKg, sentAt, CurrentDateTime());
    return true;
}

std::optional<ParameterReport> CalibrationRecorder::readParameters()
{
    const ReplyLog::Mark since = replies_.mark();
    replies_.send(kCmdReadParameters);
    return replies_.awaitParameters(since);
}

std::string CalibrationRecorder::readBoardVersion()
{
    // The version a record asks for is not shown; restored, not cleared, for
    // a record completed inside another's waits.
    const bool wasQuiet = replies_.quietVersion(true);
    const ReplyLog::Mark since = replies_.mark();
    auto version = [&] { return replies_.log().find(since, {kReplyVersion, kReplyVersionText}); };
    replies_.send(kCmdReadVersion);
    replies_.awaitFlag(since, ReplyFlag::VersionAnswered, kVersionWaitMs);
    if (!version() && !host_.ending()) {
        replies_.send(kCmdReadVersionText);
        replies_.awaitFlag(since, ReplyFlag::VersionAnswered, kVersionWaitMs);
    }
    replies_.quietVersion(wasQuiet);
    const std::optional<ReplyFrame> frame = version();
    if (!frame)
        return {};
    return (*frame)[1] == kReplyVersion ? std::to_string(DecodeVersionNumber(frame->data()))
                                        : DecodeVersionText(frame->data());
}

std::optional<CalibrationLogRecords> CalibrationRecorder::readCalibrationLog()
{
    const ReplyLog::Mark since = replies_.mark();
    if (!commands_.readCalibrationLog())
        return std::nullopt;
    CalibrationLogRecords log;
    for (const ReplyFrame& frame : replies_.log().all(since, {kReplyLogRecord}))
        log.push_back(DecodeCalibrationLogRecord(frame.data()));
    return log;
}

std::optional<ReadingSummary> CalibrationRecorder::summarizeNextReadings()
{
    const uint64_t first = weighing_.readingsSeen();
    weighing_.awaitReadings(first, kSummaryReadings, kReadingsAfterWaitMs);
    // The readings after `first`, up to kSummaryReadings, and none after a
    // later calibration command (pressed meanwhile): those show its load.
    uint64_t end = first + kSummaryReadings;
    if (readingsAtCalibrationCommand_ > first)
        end = std::min(end, readingsAtCalibrationCommand_);
    return weighing_.summarize(first, end);
}
