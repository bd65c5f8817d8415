// unlock, calibrate: the calibration switch and the two calibrations. A
// calibration waits for a load at rest before it is sent and reports the
// reading as found (before) and as left (after).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <iostream>

#include "cli/commands.h"
#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "protocol/daily_code.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"

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
    ControllerLink link(options.link);
    link.open();
    if (request.code)
        Unlock(link, *request.code);
    const WeightReading asFound = AwaitSteadyLoad(link, request);
    const size_t since = link.mark();
    ReplyFrame reply;
    if (request.weightKg) {
        link.session().calibrateWithWeight(*request.weightKg);
        reply = link.awaitReply(since, {kReplyAnyPointCalibrated}, "calibrate weight");
    } else {
        link.session().calibrateZero();
        reply = link.awaitReply(since, {kReplyZeroCalibrated}, "calibrate zero");
    }
    const WeightReading asLeft = AwaitSteadyLoad(link, request);
    if (options.json)
        std::cout << json{{"status", ReplyStatusText(reply.data())},
                          {"as_found_kg", KgJson(asFound.displayed)},
                          {"as_left_kg", KgJson(asLeft.displayed)},
                          {"division_kg", DivisionKg(asLeft)}}
                         .dump(2)
                  << '\n';
    else
        std::cout << ReplyStatusText(reply.data())
                  << "\nas found: " << FormatThreeDecimals(asFound.displayed)
                  << " kg\nas left: " << FormatThreeDecimals(asLeft.displayed) << " kg\n";
    if (request.weightKg) {
        const int32_t weightKg = ParseInt(*request.weightKg);
        if (std::abs(asLeft.displayed - weightKg) > DivisionKg(asLeft) * (1 + 1e-9))
            throw CommandFailure(ExitCode::Mismatch,
                                 "calibrate weight: as left " +
                                     FormatThreeDecimals(asLeft.displayed) + " kg is not " +
                                     *request.weightKg + " kg within one division (" +
                                     FormatGeneral(DivisionKg(asLeft)) + " kg)");
    }
}
