// clock, tracking, beeper, set gravity|range|division: the controller's
// settings, each through the window's operation; the set commands read the
// parameters back and fail when they do not show the new value.

#include <cmath>
#include <iostream>

#include "cli/commands.h"
#include "cli/controller_reads.h"
#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "protocol/gravity.h"
#include "protocol/number_parse.h"

using json = nlohmann::ordered_json;

namespace {

void PrintSetting(const CommonOptions& options, const std::string& key, const json& value,
                  const std::string& text)
{
    if (options.json)
        std::cout << json{{key, value}}.dump(2) << '\n';
    else
        std::cout << text << '\n';
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

[[noreturn]] void ReadBackMismatch(const std::string& what, const std::string& shown,
                                   const std::string& expected)
{
    throw CommandFailure(ExitCode::Mismatch,
                         what + ": the controller reads back " + shown + ", not " + expected);
}

} // namespace

void RunClock(const CommonOptions& options)
{
    ControllerLink link(options.link);
    // Opening the port sets the controller's clock, as in the window.
    link.open();
    const std::string now = FormatDateTime(kPatternDateTime, CurrentDateTime());
    PrintSetting(options, "clock", now, "controller clock set to " + now);
}

void RunTracking(const CommonOptions& options, SwitchRequest request)
{
    ControllerLink link(options.link);
    link.open();
    if (request == SwitchRequest::Query) {
        const bool on = ReadZeroTracking(link);
        PrintSetting(options, "zero_tracking", on, OnOff(on));
        return;
    }
    const ReplyLog::Mark since = link.mark();
    if (request == SwitchRequest::On)
        link.session().zeroTrackingOn();
    else
        link.session().zeroTrackingOff();
    const ReplyFrame reply = link.awaitReply(since, {kReplyZeroTrackingSet}, "zero tracking");
    PrintSetting(options, "status", ReplyStatusText(reply.data()), ReplyStatusText(reply.data()));
}

void RunBeeper(const CommonOptions& options, SwitchRequest request)
{
    ControllerLink link(options.link);
    link.open();
    if (request == SwitchRequest::Query) {
        const bool on = ReadBeeper(link);
        PrintSetting(options, "beeper", on, OnOff(on));
        return;
    }
    const ReplyLog::Mark since = link.mark();
    const bool wanted = request == SwitchRequest::On;
    if (wanted)
        link.session().beeperOn();
    else
        link.session().beeperOff();
    const bool on = DecodeBeeperOn(link.awaitReply(since, {kReplyBeeper}, "beeper").data());
    if (on != wanted)
        ReadBackMismatch("beeper", OnOff(on), OnOff(wanted));
    PrintSetting(options, "beeper", on, OnOff(on));
}

void RunSetGravity(const CommonOptions& options, const GravityRequest& request)
{
    ControllerLink link(options.link);
    link.open();
    const ReplyLog::Mark since = link.mark();
    int32_t gravity;
    if (request.row) {
        gravity = kGravityTable[static_cast<size_t>(*request.row)].gravity;
        link.session().setGravityFromTable(request.place, *request.row);
    } else {
        // The window's rounding of a typed value.
        gravity = static_cast<int32_t>(std::nearbyint(ParseFloat(*request.value) * 10000));
        link.session().setUseGravity(*request.value);
    }
    link.checkPort();
    link.awaitReply(since, {kReplySetOK}, "set gravity");
    const ParameterReport report = link.readParameters();
    const bool use = request.place == GravityPlace::Use;
    const int32_t shown = use ? report.useGravity : report.calibrationGravity;
    const std::string key = use ? "use_place" : "calibration_place";
    if (shown != gravity) {
        std::string message = "set gravity: " + key + " reads back " + FormatGravity(shown) +
                              ", not " + FormatGravity(gravity);
        if (!use && report.useGravity == gravity)
            message += " (the controller took it as the place of use's)";
        throw CommandFailure(ExitCode::Mismatch, message);
    }
    PrintSetting(options, key, PlaceJson(shown),
                 std::string(use ? "place of use: " : "calibration place: ") +
                     FormatPlaceAndGravity(PlaceNamesForGravity(shown), shown));
}

void RunSetRange(const CommonOptions& options, int rangeKg)
{
    ControllerLink link(options.link);
    link.open();
    const ReplyLog::Mark since = link.mark();
    link.session().setRange(rangeKg);
    link.awaitReply(since, {kReplyRangeSet}, "set range");
    const ParameterReport report = link.readParameters();
    if (report.rangeKg != rangeKg)
        ReadBackMismatch("set range", std::to_string(report.rangeKg) + " kg",
                         std::to_string(rangeKg) + " kg");
    PrintSetting(options, "range_kg", report.rangeKg,
                 "range: " + std::to_string(report.rangeKg) + " kg");
}

void RunSetDivision(const CommonOptions& options, int division)
{
    ControllerLink link(options.link);
    link.open();
    const ReplyLog::Mark since = link.mark();
    link.session().setDivision(division);
    link.awaitReply(since, {kReplySetOK}, "set division");
    const ParameterReport report = link.readParameters();
    if (report.division != division)
        ReadBackMismatch("set division", DivisionWord(report.division),
                         DivisionWord(static_cast<uint8_t>(division)));
    PrintSetting(options, "division", DivisionJson(report.division),
                 "division: " + DivisionWord(report.division));
}
