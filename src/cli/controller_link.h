#pragma once
// The controller as scale-cli talks to it: the scale session on the port of
// the command line, the controller's answers as they arrive, and waits for
// them bounded by --timeout. Every failure ends the command as a
// CommandFailure with its exit code.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "protocol/date_time.h"
#include "protocol/frame.h"
#include "protocol/replies.h"
#include "session/scale_session.h"

struct LinkSettings {
    std::string port;
    uint32_t baudRate = 115200;
    uint32_t replyTimeoutMs = 500;
    std::string boardId; // the board's identity for records and logs; may be empty
};

// One measurement frame as the session computed it.
struct Measurement {
    DateTime time = 0; // when it arrived
    uint8_t code = 0;  // the frame's reply code (0x77: power-on zero failed)
    WeightReading reading;
};

class ControllerLink : private SessionListener {
public:
    explicit ControllerLink(LinkSettings settings);
    // Lets the frames sent go out, then closes the port.
    ~ControllerLink();
    ControllerLink(const ControllerLink&) = delete;
    ControllerLink& operator=(const ControllerLink&) = delete;

    // Opens the port as the window does (the controller's clock is set and the
    // parameters are asked for) and waits for the parameter report. Without
    // a port (none given, none in the settings) a usage error lists the
    // serial devices present.
    ParameterReport open();
    // Opens the port and sends nothing: for a device that may be no scale.
    PortOpening openWithoutGreeting();

    // The machine's serial ports, in name order.
    std::vector<std::string> presentPorts();

    ScaleSession& session() { return session_; }
    CliHost& host() { return host_; }
    const LinkSettings& settings() const { return settings_; }

    // The controller's replies other than measurements, in arrival order:
    // take mark() before sending, then await what follows the mark.
    ReplyLog::Mark mark() const { return session_.replyMark(); }
    // The first reply after `since` with one of `codes`, waiting up to the
    // reply time-out. A refusal (0x11, 0x22, 0x33, 0x44, 0x69) ends the
    // command with exit 4, no answer with exit 3; `action` names what was
    // asked in the message.
    ReplyFrame awaitReply(ReplyLog::Mark since, std::initializer_list<uint8_t> codes,
                          const std::string& action);
    // The same without waiting: a reply that has already come.
    std::optional<ReplyFrame> replyAfter(ReplyLog::Mark since,
                                         std::initializer_list<uint8_t> codes) const;

    // Asks for the parameter report and waits for it.
    ParameterReport readParameters();

    // Every measurement goes to the handler as it arrives (none: dropped).
    void onMeasurement(std::function<void(const Measurement&)> handler)
    {
        measured_ = std::move(handler);
    }

    // Handles the port's events for ms, or until done() holds; ends the
    // command with exit 2 once the port is lost.
    bool waitFor(uint32_t ms, const std::function<bool()>& done);
    // Waits until the frames sent have left the port and the far end has had
    // time to read them (for commands the controller does not answer).
    void letFramesGoOut();
    // Ends the command with exit 2 when the port was lost.
    void checkPort() const;

private:
    void replyReceived(const uint8_t* frame) override;
    void portLost() override;
    void weightMeasured(const WeightReading& reading) override;

    LinkSettings settings_;
    CliHost host_;
    ScaleSession session_;
    uint8_t lastCode_ = 0;
    std::function<void(const Measurement&)> measured_;
    bool lost_ = false;
};
