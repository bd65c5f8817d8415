#pragma once
// The scale session: one controller on one serial port. It owns the port,
// the frame assembly, the reply flags, the weighing and drift-monitor state
// and the calibration-log records, and offers one method per operator
// action. What the controller answers goes to the listener; waits, questions
// and logs go through the host. Call everything on the owner's thread.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/commands.h"
#include "protocol/drift_monitor.h"
#include "protocol/frame_assembler.h"
#include "protocol/log_record.h"
#include "protocol/weight.h"
#include "session/calibration_record.h"
#include "session/device_identity.h"
#include "session/device_watch.h"
#include "session/port_prober.h"
#include "session/reply_log.h"
#include "session/session_host.h"
#include "session/session_listener.h"

class TComm;
namespace serial {
class CommBackend;
}

// How an operation that checks the operator's input ended.
enum class InputCheck { Accepted, Refused };

// How a calibration with its record ended: the input refused, or the
// record of the confirmed calibration (none when the controller refused
// it, did not answer, or the program began to end).
struct RecordedCalibration {
    InputCheck input = InputCheck::Accepted;
    std::optional<CalibrationRecord> record;
};

class ScaleSession {
public:
    ScaleSession(SessionHost& host, SessionListener& listener);
    // For tests: a given serial backend.
    ScaleSession(SessionHost& host, SessionListener& listener, serial::CommBackend& backend);
    ~ScaleSession();
    ScaleSession(const ScaleSession&) = delete;
    ScaleSession& operator=(const ScaleSession&) = delete;

    // --- The port ---------------------------------------------------------
    // Opens the port (a "ComN" name from 10 on is opened as "//./ComN"); on
    // success sets the controller's clock and asks for its parameters, each
    // after 100 ms, and remembers the port in the settings file when asked
    // to. Returns StartComm's code: 1 opened, otherwise a failure code.
    int32_t openPort(const std::string& name, uint32_t baudRate);
    // Closes the port; while the session waits for a lost device, it stops
    // waiting.
    void closePort();
    // The program ends: the port is closed without a status text.
    void shutDown();
    bool connected() const;
    // The port as opened ("//./Com12", "/dev/ttyUSB0") and its baud rate.
    std::string portName() const;
    uint32_t baudRate() const;
    // The device was lost; the session reopens the same device when it
    // returns and its controller answers (device_identity.h).
    bool waitingForDevice() const { return deviceWatch_.running(); }
    // Where a USB adapter's stable names are looked up; for tests.
    void setSerialByIdFolder(std::string folder) { byIdFolder_ = std::move(folder); }
    // Whether a successful open writes the port to the settings file (the
    // window does; scale-cli does not).
    void setRemembersPort(bool remembers) { remembersPort_ = remembers; }

    // --- Finding the controller -------------------------------------------
    // Asks each port in the background, one after another, whether a
    // controller answers the parameter request at this baud rate (each port
    // at most 300 ms, the window working on meanwhile); reports each answer
    // (portProbed) and the end (probeFinished), with a status text at the
    // start and the end. The port the session has open, or waits for, is not
    // asked: while open it counts as answering. Does nothing while a probe
    // runs. Opening a port ends a running probe.
    void probePorts(const std::vector<std::string>& ports, uint32_t baudRate);
    bool probing() const { return probing_; }

    // --- Weighing ---------------------------------------------------------
    void zero();
    void shiftZero();
    // Adds the weight shown now to the tare, so the same load shows 0.000.
    void tare();
    // The raw weight of the last reading becomes the base value.
    void takeBaseValue();
    void clearBaseValue();
    // Starts or stops the drift monitor; true when it now runs.
    bool toggleSampling();

    // --- Place and gravity --------------------------------------------------
    // Sends a row of the gravity table as the gravity of the place of use or
    // of the calibration place, waits for the acknowledgement and shows the
    // place, or says that it failed. Rows outside the table send nothing.
    void setGravityFromTable(GravityPlace place, int row);
    // The gravity of the place of use as typed ("9.7894"): asks first, then
    // sends it when it lies strictly between 9.6 and 10.
    void setUseGravity(const std::string& typedValue);

    // --- Calibration and settings -----------------------------------------
    void calibrateZero();
    // The reference weight as typed, in kg; refused when empty or outside
    // 0...65535 (the operator is told why).
    InputCheck calibrateWithWeight(const std::string& typedWeight);
    // Division: 0 "默认", 1 "5g"; anything else is refused.
    InputCheck setDivision(int choice);
    // Range in kg: 3, 15, 30 or 750 as chosen; nullopt when none is chosen.
    InputCheck setRange(std::optional<int> rangeKg);
    void zeroTrackingOn();
    void zeroTrackingOff();
    void queryZeroTracking();
    void beeperOn();
    void beeperOff();
    void queryBeeper();
    // The version number; the version text when no number came in 200 ms.
    void readVersion();
    // The 32 records, each awaited up to 200 ms; the list is emptied first.
    // False when the program began to end during the query.
    bool readCalibrationLog();
    // Sends the unlock command when the code is today's; else says "错误！".
    bool unlock(const std::string& code);

    // --- Calibration with its record ------------------------------------------
    // Where the records are appended (record_file.h); empty: records are
    // made but kept nowhere.
    void setRecordFile(std::string path) { recordFile_ = std::move(path); }
    const std::string& recordFile() const { return recordFile_; }
    // Written into the records from the next calibration on; may be empty.
    void setOperatorName(std::string name) { operatorName_ = std::move(name); }
    void setTestWeightId(std::string id) { testWeightId_ = std::move(id); }
    // calibrateZero and calibrateWithWeight with their record: the parameters
    // are read before the command and the last readings before it summed up
    // ("as found"). Once the controller confirms the calibration, the next
    // readings ("as left"), the parameters, the version (no box) and the
    // calibration log are read, the log's record of this calibration found,
    // and the record appended to the record file (RecordFileError when that
    // fails). The command goes out at once even while an earlier record is
    // still being completed; each record is completed in turn.
    RecordedCalibration calibrateZeroAndRecord();
    RecordedCalibration calibrateWithWeightAndRecord(const std::string& typedWeight);
    // Readings summed up for "as found" and "as left".
    static constexpr size_t kSummaryReadings = 10;

    // --- State --------------------------------------------------------------
    const WeighingState& weighing() const { return weighing_; }
    const std::optional<WeightReading>& lastReading() const { return lastReading_; }
    bool sampling() const { return sampling_; }
    const DriftMonitor& driftMonitor() const { return drift_; }
    const CalibrationLogRecords& calibrationLog() const { return calibrationLog_; }
    // False while a reply is being handled (a reply's box is open): blocks
    // that arrive then are dropped.
    bool receiving() const { return canReceive_; }

    // The receive path: one block as the port delivered it.
    void receive(const uint8_t* data, uint16_t length);

    // Low-level sending, for scale-cli and tests: builds the command frame
    // and writes it; a half-received reply is discarded.
    void sendCommand(uint8_t code, const CommandData& data = {});
    // Bytes as they are, for tests that mark the line.
    bool writeBytes(const uint8_t* data, uint16_t length);
    // Opens the port and sends nothing: for a device that may be no scale.
    // Returns StartComm's code (1 opened).
    int32_t openWithoutGreeting(const std::string& name, uint32_t baudRate);
    // Every frame written has left the port.
    bool framesSent() const;
    // The serial devices of this machine, each followed by CR LF.
    std::string serialPortList() const;

    // The replies since a mark: take replyMark() before sending, then look
    // for the answer in replies() (reply_log.h).
    const ReplyLog& replies() const { return replies_; }
    ReplyLog::Mark replyMark() const { return replies_.mark(); }

private:
    void configurePort();
    // The reader lost the device: close, tell, and wait for it to come back.
    void portLost();
    void tryReconnect();
    // Waits up to ms until arrived() holds, for a reply that sets no flag.
    bool awaitReply(uint32_t ms, const std::function<bool()>& arrived);
    // Waits up to the usual reply time for a parameter report after `since`.
    std::optional<ParameterReport> awaitParameters(ReplyLog::Mark since);
    // The port the session has open or waits for is the same device as `port`.
    bool isOwnPort(const std::string& port) const;
    void probeAnswered(uint32_t run, const std::string& port, ProbeAnswer answer);
    void probeDone(uint32_t run);
    // Stops a running probe; tells the listener unless the program ends.
    void endProbe(bool tell);
    // The clock and the parameter request that follow every open; false when
    // the program began to end meanwhile.
    bool greetController();
    bool dispatch();
    void applyParameterReport(const uint8_t* frame);
    void showWeight(const uint8_t* frame);
    void sendGravity(int32_t value);
    void status(const std::string& text) { listener_.statusChanged(text); }
    // Waits ms; false when the program is ending and the operation must stop.
    bool pause(uint32_t ms);
    // Waits up to ms for an acknowledgement after `since`; false when the
    // program is ending.
    bool awaitAcknowledgement(ReplyLog::Mark since, uint32_t ms);
    // The checks of calibrateWithWeight: the weight, or nullopt when refused
    // (the operator has been told why).
    std::optional<int32_t> checkedCalibrationWeight(const std::string& typedWeight);
    void sendWeightCalibration(const std::string& typedWeight, int32_t weight);
    RecordedCalibration calibrateAndRecord(CalibrationKind kind, const std::string& typedWeight);
    std::optional<ParameterReport> readParameters();
    std::string readBoardVersion();
    // The 32 records as this read received them.
    std::optional<CalibrationLogRecords> readCalibrationLogForRecord();
    std::optional<ReadingSummary> summarizeNextReadings();
    std::optional<ReadingSummary> summarizeRecentReadings(size_t count) const;

    SessionHost& host_;
    SessionListener& listener_;
    std::unique_ptr<TComm> port_;
    DeviceWatch deviceWatch_;
    std::string byIdFolder_ = kSerialByIdFolder;
    DeviceIdentity device_;        // of the port opened last
    bool reconnecting_ = false;    // a reopened device is being greeted
    bool silenceReported_ = false; // a reopened device that did not answer, said once
    // Tasks posted by the device watch run only while the session lives.
    std::shared_ptr<ScaleSession*> self_ = std::make_shared<ScaleSession*>(this);
    bool remembersPort_ = true;

    PortProber prober_;
    bool probing_ = false;
    uint32_t probeRun_ = 0; // reports of an earlier, stopped probe are ignored
    int probeAnswering_ = 0;

    FrameAssembler assembler_;
    bool canReceive_ = true;

    ReplyLog replies_;
    int awaitingReplies_ = 0; // waits for a reply that sets no flag

    WeighingState weighing_;
    std::optional<WeightReading> lastReading_;
    bool sampling_ = false;
    DriftMonitor drift_;
    CalibrationLogRecords calibrationLog_;

    // For the calibration records.
    std::string recordFile_;
    std::string operatorName_;
    std::string testWeightId_;
    int recordings_ = 0; // calibrations whose records are being completed
    // The last readings, enough for an "as left" completed after another
    // calibration's record.
    static constexpr size_t kReadingsKept = 256;
    std::deque<WeightReading> recentReadings_;
    uint64_t readingsSeen_ = 0;
    uint64_t readingsAtCalibrationCommand_ = 0; // readingsSeen_ when the last one went out
    int awaitingReadings_ = 0;
    std::optional<ParameterReport> lastParameters_;
    // lastParameters_ still holds: no command that may change it was sent
    // since it came, on this connection.
    bool parametersCurrent_ = false;
    bool quietVersion_ = false;
};
