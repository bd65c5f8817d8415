#include "cli/controller_link.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "protocol/commands.h"

namespace {

// Replies with which the controller refuses what it was asked.
constexpr uint8_t kRefusals[] = {kReplySetFailed, kReplyZeroNotCalibrated,
                                 kReplyAnyPointNotCalibrated, kReplyOpenCalibrationSwitch,
                                 kReplyZeroSetFailed};

bool IsRefusal(uint8_t code)
{
    return std::find(std::begin(kRefusals), std::end(kRefusals), code) != std::end(kRefusals);
}

bool IsOneOf(uint8_t code, std::initializer_list<uint8_t> codes)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

std::string Hex(uint8_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", code);
    return text;
}

std::string RefusalText(serial::OpenRefusal refusal)
{
    switch (refusal) {
    case serial::OpenRefusal::Absent:
        return "absent";
    case serial::OpenRefusal::Busy:
        return "busy: another program has it open";
    case serial::OpenRefusal::NoPermission:
        return "permission denied: add the user to the dialout group, then log in again";
    case serial::OpenRefusal::ConnectionRefused:
        return "connection refused";
    case serial::OpenRefusal::TimedOut:
        return "no answer in time";
    case serial::OpenRefusal::LineSettingsRefused:
        return "the device server refused the line settings";
    default:
        return "absent or busy";
    }
}

std::string OpenFailureText(const PortOpening& opening)
{
    switch (opening.code) {
    case -1:
        return opening.reason.empty() ? RefusalText(opening.refusal) : opening.reason;
    case -2:
        return "not a character device";
    case -3:
        return "not a serial device";
    default:
        return "out of resources";
    }
}

} // namespace

ControllerLink::ControllerLink(LinkSettings settings)
    : settings_(std::move(settings)), session_(host_, *this)
{
    // scale-cli never writes the settings file.
    session_.setRemembersPort(false);
    host_.tagOperationLog(settings_.port, settings_.boardId);
    session_.setBoardId(settings_.boardId);
}

void ControllerLink::portLost()
{
    lost_ = true;
    host_.end();
}

ControllerLink::~ControllerLink()
{
    // The handler may use what its command has already let go.
    measured_ = {};
    host_.wait(1000, [this] { return session_.framesSent(); });
    session_.shutDown();
}

std::vector<std::string> ControllerLink::presentPorts()
{
    std::vector<std::string> ports;
    std::istringstream list(session_.serialPortList());
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            ports.push_back(line);
    }
    return ports;
}

ParameterReport ControllerLink::open()
{
    if (settings_.port.empty()) {
        const std::vector<std::string> ports = presentPorts();
        std::string found;
        for (const std::string& port : ports)
            found += (found.empty() ? "" : ", ") + port;
        throw UsageError("no port: give --port (or CommNo in datalink.ini); " +
                         (ports.empty() ? std::string("no serial device was found")
                                        : "serial devices found: " + found));
    }
    const ReplyLog::Mark since = mark();
    const PortOpening opening = session_.openPort(settings_.port, settings_.baudRate);
    if (!opening.opened())
        throw CommandFailure(ExitCode::PortFailed, "--port " + settings_.port +
                                                       ": cannot be opened (" +
                                                       OpenFailureText(opening) + ")");
    checkPort();
    return DecodeParameterReport(
        awaitReply(since, {kReplyParameters}, "reading the parameters").data());
}

PortOpening ControllerLink::openWithoutGreeting()
{
    return session_.openWithoutGreeting(settings_.port, settings_.baudRate);
}

std::optional<ReplyFrame> ControllerLink::replyAfter(ReplyLog::Mark since,
                                                     std::initializer_list<uint8_t> codes) const
{
    return session_.replies().find(since, [codes](const ReplyFrame& frame) {
        return IsOneOf(frame[1], codes) || IsRefusal(frame[1]);
    });
}

ReplyFrame ControllerLink::awaitReply(ReplyLog::Mark since, std::initializer_list<uint8_t> codes,
                                      const std::string& action)
{
    std::optional<ReplyFrame> reply;
    waitFor(settings_.replyTimeoutMs,
            [&] { return (reply = replyAfter(since, codes)).has_value(); });
    if (!reply)
        throw CommandFailure(ExitCode::NoAnswer, action + ": no answer within " +
                                                     std::to_string(settings_.replyTimeoutMs) +
                                                     " ms");
    if (!IsOneOf((*reply)[1], codes))
        throw CommandFailure(ExitCode::Refused, action + ": refused by the controller: " +
                                                    ReplyStatusText(reply->data()) + " (" +
                                                    Hex((*reply)[1]) + ")");
    return *reply;
}

ParameterReport ControllerLink::readParameters()
{
    const ReplyLog::Mark since = mark();
    session_.sendCommand(kCmdReadParameters);
    return DecodeParameterReport(
        awaitReply(since, {kReplyParameters}, "reading the parameters").data());
}

bool ControllerLink::waitFor(uint32_t ms, const std::function<bool()>& done)
{
    host_.wait(ms, [&] { return lost_ || done(); });
    checkPort();
    return done();
}

void ControllerLink::letFramesGoOut()
{
    if (!waitFor(1000, [this] { return session_.framesSent(); }))
        throw CommandFailure(ExitCode::PortFailed,
                             "--port " + settings_.port + ": the frames could not be sent");
    // The last frame is on the line for its 80 bits; closing sooner would
    // discard it, and the far end of a pseudo-terminal needs a moment to read.
    host_.wait(80 * 1000 / std::max<uint32_t>(settings_.baudRate, 1) + 50, {});
    checkPort();
}

void ControllerLink::replyReceived(const uint8_t* frame) { lastCode_ = frame[1]; }

void ControllerLink::weightMeasured(const WeightReading& reading)
{
    if (measured_)
        measured_({CurrentDateTime(), lastCode_, reading});
}

void ControllerLink::checkPort() const
{
    if (lost_)
        throw CommandFailure(ExitCode::PortFailed,
                             "--port " + settings_.port + ": the port was lost");
}
