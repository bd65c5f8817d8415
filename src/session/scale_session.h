#pragma once
// The scale session: one controller on one serial port, and what the window
// and scale-cli drive. A façade over its parts, each owning its own state:
// the connection (port_connection.h), the search for controllers
// (controller_search.h), the way to the controller and back (reply_path.h),
// weighing (weighing.h), the controller commands (controller_commands.h) and
// the calibration recorder (calibration_recorder.h). What the controller
// answers goes to the listener; waits, questions and logs go through the
// host. Call everything on the owner's thread.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/calibration_recorder.h"
#include "session/controller_commands.h"
#include "session/controller_search.h"
#include "session/port_connection.h"
#include "session/reply_path.h"
#include "session/session_host.h"
#include "session/session_listener.h"
#include "session/weighing.h"

class ScaleSession {
public:
    ScaleSession(SessionHost& host, SessionListener& listener);
    // For tests: a given serial backend.
    ScaleSession(SessionHost& host, SessionListener& listener, serial::CommBackend& backend);
    ScaleSession(const ScaleSession&) = delete;
    ScaleSession& operator=(const ScaleSession&) = delete;

    // --- The port ---------------------------------------------------------
    // Opens the port (a "ComN" name from 10 on is opened as "//./ComN"); on
    // success sets the controller's clock and asks for its parameters, each
    // after 100 ms, and has the host remember the port when asked to. Ends a
    // running probe first: the operator's choice comes first.
    PortOpening openPort(const std::string& name, uint32_t baudRate);
    // Closes the port; while the session waits for a lost device, it stops
    // waiting.
    void closePort() { connection_.close(); }
    // The program ends: the port is closed without a status text.
    void shutDown();
    bool connected() const { return connection_.connected(); }
    // The port as opened ("//./Com12", "/dev/ttyUSB0") and its baud rate.
    std::string portName() const { return connection_.portName(); }
    uint32_t baudRate() const { return connection_.baudRate(); }
    // The device was lost; the session reopens the same device when it
    // returns and its controller answers (device_identity.h).
    bool waitingForDevice() const { return connection_.waitingForDevice(); }
    // Where a USB adapter's stable names are looked up; for tests.
    void setSerialByIdFolder(std::string folder)
    {
        connection_.setSerialByIdFolder(std::move(folder));
    }
    // Whether a successful open has the host remember the port (the window
    // does, except for a port given for one start; scale-cli does not).
    void setRemembersPort(bool remembers) { connection_.setRemembersPort(remembers); }

    // --- Finding the controller -------------------------------------------
    // Asks each port in the background, one after another, whether a
    // controller answers the parameter request at this baud rate (each port
    // at most 300 ms, the window working on meanwhile); reports each answer
    // (portProbed) and the end (probeFinished), with a status text at the
    // start and the end. The port the session has open, or waits for, is not
    // asked: while open it counts as answering. Does nothing while a probe
    // runs. Opening a port ends a running probe.
    void probePorts(const std::vector<std::string>& ports, uint32_t baudRate)
    {
        search_.start(ports, baudRate);
    }
    bool probing() const { return search_.running(); }

    // --- Weighing ---------------------------------------------------------
    void zero() { commands_.zero(); }
    void shiftZero() { commands_.shiftZero(); }
    // Whether the weight shown is the weight on the scale now: a reading came
    // recently (Weighing::readingIsRecent) on the port still open.
    bool weightIsLive() const;
    // Adds the weight shown now to the tare, so the same load shows 0.000;
    // refused with a box while the weight is not live.
    void tare();
    // The raw weight of the last reading becomes the base value; refused
    // like tare.
    void takeBaseValue();
    void clearBaseValue() { weighing_.clearBaseValue(); }
    // Starts or stops the drift monitor; true when it now runs.
    bool toggleSampling() { return weighing_.toggleSampling(); }

    // --- Place and gravity --------------------------------------------------
    // Sends a row of the gravity table as the gravity of the place of use or
    // of the calibration place, waits for the acknowledgement and shows the
    // place, or says that it failed. Rows outside the table send nothing.
    void setGravityFromTable(GravityPlace place, int row)
    {
        commands_.setGravityFromTable(place, row);
    }
    // The gravity of the place of use as typed ("9.7894"): asks first, then
    // sends it when it lies strictly between 9.6 and 10.
    void setUseGravity(const std::string& typedValue) { commands_.setUseGravity(typedValue); }
    void setUseGravity(double value) { commands_.setUseGravity(value); }

    // --- Calibration and settings -----------------------------------------
    void calibrateZero() { commands_.calibrateZero(); }
    // The reference weight as typed, in kg; refused when empty or outside
    // 0...65535 (the operator is told why).
    InputCheck calibrateWithWeight(const std::string& typedWeight)
    {
        return commands_.calibrateWithWeight(typedWeight);
    }
    // Division: 0 "默认", 1 "5g"; anything else is refused.
    InputCheck setDivision(int choice) { return commands_.setDivision(choice); }
    // Range in kg: 3, 15, 30 or 750 as chosen; nullopt when none is chosen.
    InputCheck setRange(std::optional<int> rangeKg) { return commands_.setRange(rangeKg); }
    void zeroTrackingOn() { commands_.zeroTrackingOn(); }
    void zeroTrackingOff() { commands_.zeroTrackingOff(); }
    void queryZeroTracking() { commands_.queryZeroTracking(); }
    void beeperOn() { commands_.beeperOn(); }
    void beeperOff() { commands_.beeperOff(); }
    void queryBeeper() { commands_.queryBeeper(); }
    // The version number; the version text when no number came in 200 ms.
    void readVersion() { commands_.readVersion(); }
    // The 32 records, each awaited up to 200 ms; the list is emptied first.
    // False when the program began to end during the query.
    bool readCalibrationLog() { return commands_.readCalibrationLog(); }
    // Sends the unlock command when the code is today's; else says "错误！".
    bool unlock(const std::string& code) { return commands_.unlock(code); }

    // --- Calibration with its record ------------------------------------------
    // Where the records are appended (record_file.h); empty: records are
    // made but kept nowhere.
    void setRecordFile(std::string path) { recorder_.setRecordFile(std::move(path)); }
    void setRecordStore(std::shared_ptr<RecordStore> store)
    {
        recorder_.setRecordStore(std::move(store));
    }
    const std::string& recordFile() const { return recorder_.recordFile(); }
    // Written into the records from the next calibration on; may be empty.
    void setOperatorName(std::string name) { recorder_.setOperatorName(std::move(name)); }
    // The same, and the host keeps it for the next start, from which it is
    // the name the session begins with.
    void rememberOperatorName(std::string name);
    const std::string& operatorName() const { return recorder_.operatorName(); }
    void setTestWeightId(std::string id) { recorder_.setTestWeightId(std::move(id)); }
    // Written into the records as the board's identity; may be empty.
    void setBoardId(std::string id) { recorder_.setBoardId(std::move(id)); }
    // calibrateZero and calibrateWithWeight with their record: the parameters
    // are read before the command and the last readings before it summed up
    // ("as found"). Once the controller confirms the calibration, the next
    // readings ("as left"), the parameters, the version (no box) and the
    // calibration log are read, the log's record of this calibration found,
    // and the record appended to the record file (RecordFileError when that
    // fails). The command goes out at once even while an earlier record is
    // still being completed; each record is completed in turn.
    RecordedCalibration calibrateZeroAndRecord()
    {
        return recorder_.calibrate(CalibrationKind::Zero, {});
    }
    RecordedCalibration calibrateWithWeightAndRecord(const std::string& typedWeight)
    {
        return recorder_.calibrate(CalibrationKind::Weight, typedWeight);
    }
    // Readings summed up for "as found" and "as left".
    static constexpr size_t kSummaryReadings = CalibrationRecorder::kSummaryReadings;

    // --- State --------------------------------------------------------------
    const WeighingState& weighing() const { return weighing_.state(); }
    const std::optional<WeightReading>& lastReading() const { return weighing_.lastReading(); }
    // Readings counted since the session began.
    uint64_t readingsSeen() const { return weighing_.readingsSeen(); }
    bool sampling() const { return weighing_.sampling(); }
    const DriftMonitor& driftMonitor() const { return weighing_.driftMonitor(); }
    const CalibrationLogRecords& calibrationLog() const { return replies_.calibrationLog(); }
    // False while a reply is being handled (a reply's box is open): blocks
    // that arrive then are dropped.
    bool receiving() const { return replies_.receiving(); }

    // The receive path: one block as the port delivered it.
    void receive(const uint8_t* data, uint16_t length) { replies_.receive(data, length); }

    // Low-level sending, for scale-cli and tests: builds the command frame
    // and writes it; a half-received reply is discarded.
    void sendCommand(uint8_t code, const CommandData& data = {}) { replies_.send(code, data); }
    // Bytes as they are, for tests that mark the line.
    bool writeBytes(const uint8_t* data, uint16_t length)
    {
        return connection_.write(data, length);
    }
    // Opens the port and sends nothing: for a device that may be no scale.
    PortOpening openWithoutGreeting(const std::string& name, uint32_t baudRate)
    {
        return connection_.openWithoutGreeting(name, baudRate);
    }
    // Every frame written has left the port.
    bool framesSent() const { return connection_.framesSent(); }
    // The serial devices of this machine, each followed by CR LF.
    std::string serialPortList() const { return connection_.serialPortList(); }

    // The replies since a mark: take replyMark() before sending, then look
    // for the answer in replies() (reply_log.h).
    const ReplyLog& replies() const { return replies_.log(); }
    ReplyLog::Mark replyMark() const { return replies_.mark(); }

private:
    // The parts, each referring to those declared before it (the reply
    // path writes through the connection, which is made right after it).
    Weighing weighing_;
    ReplyPath replies_;
    PortConnection connection_;
    ControllerSearch search_;
    ControllerCommands commands_;
    CalibrationRecorder recorder_;
    SessionHost& host_;
};
