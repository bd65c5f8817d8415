#pragma once
// The way to the controller and back: command frames out, blocks in,
// assembled into frames, dispatched and kept in the reply log. An operation
// takes a mark, sends, and awaits its answer among the replies since the
// mark (reply_log.h); nothing else tells it that an answer came.

#include <cstdint>
#include <functional>
#include <optional>

#include "protocol/commands.h"
#include "protocol/frame_assembler.h"
#include "protocol/log_record.h"
#include "protocol/replies.h"
#include "session/reply_log.h"

class PortConnection;
class SessionHost;
class SessionListener;
class Weighing;

class ReplyPath {
public:
    // Frames go out through `connection`; measurements go to `weighing`.
    ReplyPath(SessionHost& host, SessionListener& listener, Weighing& weighing,
              PortConnection& connection)
        : host_(host), listener_(listener), weighing_(weighing), connection_(connection)
    {
    }

    // Builds the command frame and writes it; a half-received reply is
    // discarded. A closed port drops the frame.
    void send(uint8_t code, const CommandData& data = {});
    // One block as the port delivered it.
    void receive(const uint8_t* data, uint16_t length);
    // False while a reply is being handled (a reply's box is open): blocks
    // that arrive then are dropped.
    bool receiving() const { return canReceive_; }

    const ReplyLog& log() const { return log_; }
    ReplyLog::Mark mark() const { return log_.mark(); }
    // Waits up to ms until a reply after `since` set the flag; whether one did.
    bool awaitFlag(ReplyLog::Mark since, ReplyFlag flag, uint32_t ms);
    // Waits up to ms until arrived() holds, for a reply that sets no flag.
    bool await(uint32_t ms, const std::function<bool()>& arrived);
    // Waits up to the usual reply time for a parameter report after `since`.
    std::optional<ParameterReport> awaitParameters(ReplyLog::Mark since);
    // While on, version replies are kept but neither shown nor boxed; returns
    // what it was, to be restored.
    bool quietVersion(bool quiet);

    // The calibration-log records as they came, since the last clear.
    const CalibrationLogRecords& calibrationLog() const { return calibrationLog_; }
    void clearCalibrationLog() { calibrationLog_.clear(); }
    // The last parameter report, and whether it still holds: no command that
    // may change it was sent since it came, on this connection.
    const std::optional<ParameterReport>& lastParameters() const { return lastParameters_; }
    bool parametersCurrent() const { return parametersCurrent_; }
    // The port was closed or lost: the next connection may be another controller.
    // Nor is the last reading the weight on the scale any more.
    void connectionEnded();

private:
    void dispatch();
    // One step of a reply's handling; true when it woke the waiters.
    bool apply(const ReplyStep& step, const uint8_t* frame);
    void applyParameterReport(const uint8_t* frame);

    SessionHost& host_;
    SessionListener& listener_;
    Weighing& weighing_;
    PortConnection& connection_;
    FrameAssembler assembler_;
    bool canReceive_ = true;
    ReplyLog log_;
    int awaiting_ = 0; // waits for a reply looked up in the log
    bool quietVersion_ = false;
    CalibrationLogRecords calibrationLog_;
    std::optional<ParameterReport> lastParameters_;
    bool parametersCurrent_ = false;
};
