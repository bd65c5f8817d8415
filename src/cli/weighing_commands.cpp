// watch, zero, shift-zero: the live weight and the zero of the platform.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "protocol/number_format.h"

using json = nlohmann::ordered_json;

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C or a polite stop ends watch normally: the port is closed and its
// line settings restored.
void Interrupt(int) { interrupted = 1; }
// How soon a waiting watch notices the stop.
constexpr int64_t kSignalCheckMs = 200;

std::string StatusCode(uint8_t code)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

void PrintMeasurement(const Measurement& measured, bool asJson, bool csv)
{
    const std::string time = FormatDateTime("YYYY-MM-DD hh:nn:ss.zzz", measured.time);
    const WeightReading& reading = measured.reading;
    if (asJson) {
        std::cout << json{{"time", time},
                          {"weight_kg", KgJson(reading.displayed)},
                          {"raw_weight_kg", reading.rawWeight},
                          {"ad", reading.liveAD},
                          {"status", StatusCode(measured.code)}}
                         .dump()
                  << std::endl;
        return;
    }
    if (csv)
        std::cout << time << ',' << FormatThreeDecimals(reading.displayed) << ','
                  << FormatUpToSixDecimals(reading.rawWeight) << ',' << reading.liveAD << ','
                  << StatusCode(measured.code) << std::endl;
    else
        std::cout << time << "  " << FormatThreeDecimals(reading.displayed) << " kg  raw "
                  << FormatUpToSixDecimals(reading.rawWeight) << " kg  AD " << reading.liveAD
                  << "  status " << StatusCode(measured.code) << std::endl;
}

// The window's status text for the reply, or for JSON {"status": text}.
void PrintStatus(const CommonOptions& options, const std::string& text)
{
    if (options.json)
        std::cout << json{{"status", text}}.dump(2) << '\n';
    else
        std::cout << text << '\n';
}

} // namespace

void RunWatch(const CommonOptions& options, uint32_t count, bool csv)
{
    ControllerLink link(options.link);
    link.open();
    if (csv)
        std::cout << "time,weight_kg,raw_weight_kg,ad,status" << std::endl;
    uint32_t printed = 0;
    bool arrived = false;
    link.onMeasurement([&](const Measurement& measured) {
        if (count != 0 && printed == count)
            return;
        PrintMeasurement(measured, options.json, csv);
        ++printed;
        arrived = true;
    });
    std::signal(SIGINT, Interrupt);
    std::signal(SIGTERM, Interrupt);
    while (!interrupted && (count == 0 || printed < count)) {
        arrived = false;
        // The handler can only set a flag, which nothing wakes the wait for:
        // waited for in slices, so a stop ends even a long wait at once.
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(options.link.replyTimeoutMs);
        for (auto now = std::chrono::steady_clock::now();
             !arrived && !interrupted && now < deadline; now = std::chrono::steady_clock::now()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            link.waitFor(static_cast<uint32_t>(std::min<int64_t>(left.count(), kSignalCheckMs)),
                         [&] { return arrived || interrupted; });
        }
        if (!arrived && !interrupted)
            throw CommandFailure(ExitCode::NoAnswer,
                                 "watch: no measurement within " +
                                     std::to_string(options.link.replyTimeoutMs) + " ms");
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void RunZero(const CommonOptions& options)
{
    ControllerLink link(options.link);
    link.open();
    const ReplyLog::Mark since = link.mark();
    link.session().zero();
    PrintStatus(options, ReplyStatusText(link.awaitReply(since, {kReplyZeroSet}, "zero").data()));
}

void RunShiftZero(const CommonOptions& options)
{
    ControllerLink link(options.link);
    link.open();
    link.session().shiftZero();
    // The controller does not answer a shift of the zero.
    link.letFramesGoOut();
    if (options.json)
        std::cout << json{{"sent", true}}.dump(2) << '\n';
    else
        std::cout << "shift-zero sent (the controller does not answer it)\n";
}
