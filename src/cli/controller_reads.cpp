#include "cli/controller_reads.h"

#include "cli/exit_code.h"
#include "cli/report_format.h"

bool ReadZeroTracking(ControllerLink& link)
{
    const ReplyLog::Mark since = link.mark();
    link.session().queryZeroTracking();
    return link.awaitReply(since, {kReplyZeroTrackingOn, kReplyZeroTrackingOff},
                           "reading zero tracking")[1] == kReplyZeroTrackingOn;
}

bool ReadBeeper(ControllerLink& link)
{
    const ReplyLog::Mark since = link.mark();
    link.session().queryBeeper();
    return DecodeBeeperOn(link.awaitReply(since, {kReplyBeeper}, "reading the beeper").data());
}

std::string ReadVersion(ControllerLink& link)
{
    const ReplyLog::Mark since = link.mark();
    link.session().readVersion();
    return VersionText(
        link.awaitReply(since, {kReplyVersion, kReplyVersionText}, "reading the version").data());
}

CalibrationLogRecords ReadCalibrationLog(ControllerLink& link)
{
    if (!link.session().readCalibrationLog())
        link.checkPort(); // ended early: the port was lost
    CalibrationLogRecords records = link.session().calibrationLog();
    if (records.size() < 32)
        throw CommandFailure(ExitCode::NoAnswer,
                             "reading the calibration log: " + std::to_string(records.size()) +
                                 " of 32 records came, each awaited 200 ms");
    return records;
}

Snapshot ReadSnapshot(ControllerLink& link, const ParameterReport& parameters)
{
    Snapshot snapshot;
    snapshot.takenAt = FormatDateTime(kPatternDateTime, CurrentDateTime());
    snapshot.port = link.settings().port;
    snapshot.parameters = parameters;
    snapshot.zeroTracking = ReadZeroTracking(link);
    snapshot.beeper = ReadBeeper(link);
    snapshot.version = ReadVersion(link);
    snapshot.calibrationLog = ReadCalibrationLog(link);
    return snapshot;
}
