// unlock, calibrate: the calibration switch, the two calibrations and
// their records. A calibration waits for a load at rest
// before it is sent, reports the reading as found (before) and as left
// (after), and leaves a record as the window's calibrations do.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <iostream>

#include "cli/commands.h"
#include "cli/exit_code.h"
#include "cli/record_store_choice.h"
#include "cli/report_format.h"
#include "protocol/daily_code.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "session/record_file.h"
#include "session/record_location.h"

using json = nlohmann::ordered_json;

namespace {

// The window's answer to a code that is not today's.
const std::string kWrongCode = "--code: 错误！";

// Checked before the port is opened, so a wrong code sends nothing.
void CheckTodaysCode(const std::string& code)
{
    if (code != DailyCode())
        throw CommandFailure(ExitCode::Refused, kWrongCode);
}

void Unlock(ControllerLink& link, const std::string& code)
{
    // The session checks again: the day may have changed meanwhile.
    if (!link.session().unlock(code))
        throw CommandFailure(ExitCode::Refused, kWrongCode);
}

// Waits until `count` consecutive readings lie within one division of each
// other and returns the last; exit 6 when none do within settleMs, exit 3
// when the readings stop.
WeightReading AwaitSteadyLoad(ControllerLink& link, const CalibrationRequest& request)
{
    std::deque<WeightReading> recent;
    bool steady = false;
    bool arrived = false;
    link.onMeasurement([&](const Measurement& measured) {
        arrived = true;
        if (steady)
            return;
        recent.push_back(measured.reading);
        if (recent.size() > request.stableReadings)
            recent.pop_front();
        const auto [lightest, heaviest] =
            std::minmax_element(recent.begin(), recent.end(), [](const auto& a, const auto& b) {
                return a.rawWeight < b.rawWeight;
            });
        steady = recent.size() == request.stableReadings &&
                 heaviest->rawWeight - lightest->rawWeight <= DivisionKg(recent.back());
    });
    using Clock = std::chrono::steady_clock;
    const uint32_t timeoutMs = link.settings().replyTimeoutMs;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(request.settleMs);
    for (Clock::time_point now = Clock::now(); !steady && now < deadline; now = Clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const auto slice = static_cast<uint32_t>(std::min<int64_t>(timeoutMs, left));
        arrived = false;
        link.waitFor(slice, [&] { return steady || arrived; });
        if (!arrived && !steady && slice == timeoutMs)
            throw CommandFailure(ExitCode::NoAnswer, "calibrate: no measurement within " +
                                                         std::to_string(timeoutMs) + " ms");
    }
    link.onMeasurement({});
    if (!steady)
        throw CommandFailure(ExitCode::NotStable,
                             "calibrate: the load did not stay within one division for " +
                                 std::to_string(request.stableReadings) + " readings within " +
                                 std::to_string(request.settleMs) + " ms");
    return recent.back();
}

} // namespace

void RunUnlock(const CommonOptions& options, const std::string& code)
{
    CheckTodaysCode(code);
    ControllerLink link(options.link);
    link.open();
    Unlock(link, code);
    // The controller does not answer the unlock command.
    link.letFramesGoOut();
    if (options.json)
        std::cout << json{{"sent", true}}.dump(2) << '\n';
    else
        std::cout << "unlock sent (the controller does not answer it)\n";
}

void RunCalibrate(const CommonOptions& options, const CalibrationRequest& request)
{
    if (request.code)
        CheckTodaysCode(*request.code);
    const std::shared_ptr<RecordStore> store = OpenRecordStore(CliRecordSettings());
    PushPendingRecords(*store, "calibrate");
    ControllerLink link(options.link);
    link.open();
    if (request.code)
        Unlock(link, *request.code);
    const WeightReading asFound = AwaitSteadyLoad(link, request);
    ScaleSession& session = link.session();
    session.setRecordFile(DefaultRecordFilePath());
    session.setRecordStore(store);
    session.setOperatorName(request.operatorName);
    session.setTestWeightId(request.weightId);
    const ReplyLog::Mark since = link.mark();
    ReplyFrame reply;
    std::optional<CalibrationRecord> record;
    // Said on standard error as it happens; the exit code follows at the end.
    bool evidenceMissing = false;
    try {
        record = request.weightKg ? session.calibrateWithWeightAndRecord(*request.weightKg).record
                                  : session.calibrateZeroAndRecord().record;
    } catch (const RecordFileDamaged& damage) {
        // The record is written; the records before it are not as they were.
        record = damage.written();
        evidenceMissing = true;
        std::cerr << "calibrate: " << damage.what() << '\n';
    } catch (const RecordFileError& error) {
        // The controller has calibrated; only the record is missing.
        evidenceMissing = true;
        std::cerr << "calibrate: the calibration is done, but its record was not written: "
                  << error.what() << '\n';
    }
    reply = request.weightKg
                ? link.awaitReply(since, {kReplyAnyPointCalibrated}, "calibrate weight")
                : link.awaitReply(since, {kReplyZeroCalibrated}, "calibrate zero");
    if (record)
        ReportUpload(*store, "calibrate");
    if (!record && !evidenceMissing) {
        evidenceMissing = true;
        std::cerr << "calibrate: no record of this calibration (no complete answer to the reads "
                     "that follow it)\n";
    }
    const WeightReading asLeft = AwaitSteadyLoad(link, request);
    if (options.json) {
        json out{{"status", ReplyStatusText(reply.data())},
                 {"as_found_kg", KgJson(asFound.displayed)},
                 {"as_left_kg", KgJson(asLeft.displayed)},
                 {"division_kg", DivisionKg(asLeft)}};
        if (record)
            out["record_hash"] = record->hash;
        std::cout << out.dump(2) << '\n';
    } else {
        std::cout << ReplyStatusText(reply.data())
                  << "\nas found: " << FormatThreeDecimals(asFound.displayed)
                  << " kg\nas left: " << FormatThreeDecimals(asLeft.displayed) << " kg\n";
        if (record)
            std::cout << "record: " << record->hash << '\n';
    }
    if (request.weightKg) {
        const int32_t weightKg = ParseInt(*request.weightKg);
        if (std::abs(asLeft.displayed - weightKg) > DivisionKg(asLeft) * (1 + 1e-9))
            throw CommandFailure(ExitCode::Mismatch,
                                 "calibrate weight: as left " +
                                     FormatThreeDecimals(asLeft.displayed) + " kg is not " +
                                     *request.weightKg + " kg within one division (" +
                                     FormatGeneral(DivisionKg(asLeft)) + " kg)");
    }
    // A line script must not count a calibration without its evidence as a
    // pass; the reason was given above as it happened.
    if (evidenceMissing)
        throw CommandFailure(ExitCode::NotWritten,
                             "calibrate: done, but its record is missing or the record file is "
                             "damaged (see above)");
}
