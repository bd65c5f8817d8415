#pragma once
// The calibration recorder: a zero or reference-weight calibration with its
// record (calibration_record.h). The command goes out as without a record;
// once the controller confirms it, the record is completed from the line's
// readings and reads and appended to the record file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "session/calibration_record.h"
#include "session/controller_commands.h"
#include "session/port_connection.h"
#include "session/record_store.h"

class ReplyPath;
class SessionHost;
class Weighing;

// How a calibration with its record ended: the input refused, or the
// record of the confirmed calibration (none when the controller refused
// it, did not answer, or the program began to end).
struct RecordedCalibration {
    InputCheck input = InputCheck::Accepted;
    std::optional<CalibrationRecord> record;
};

class CalibrationRecorder {
public:
    CalibrationRecorder(SessionHost& host, ReplyPath& replies, Weighing& weighing,
                        const PortConnection& connection, ControllerCommands& commands)
        : host_(host), replies_(replies), weighing_(weighing), connection_(connection),
          commands_(commands)
    {
    }

    // Where the records are appended (record_file.h); empty: kept nowhere.
    void setRecordFile(std::string path) { recordFile_ = std::move(path); }
    const std::string& recordFile() const { return recordFile_; }
    // Where the records go instead of the record file (a shared database);
    // none: the record file.
    void setRecordStore(std::shared_ptr<RecordStore> store) { recordStore_ = std::move(store); }
    // Written into the records from the next calibration on; may be empty.
    void setOperatorName(std::string name) { operatorName_ = std::move(name); }
    const std::string& operatorName() const { return operatorName_; }
    void setTestWeightId(std::string id) { testWeightId_ = std::move(id); }
    // The board's identity (an instrument serial number); may be empty.
    void setBoardId(std::string id) { boardId_ = std::move(id); }

    // The calibration and its record; typedWeight only for a weight calibration.
    RecordedCalibration calibrate(CalibrationKind kind, const std::string& typedWeight);

    // Readings summed up for "as found" and "as left".
    static constexpr size_t kSummaryReadings = 10;

private:
    // The record as far as it is known before the command.
    CalibrationRecord newRecord(CalibrationKind kind, int weightKg, bool earlierRecordOpen);
    // Sends the command with "as found" taken; when it went out, if the
    // controller confirmed it (nullopt when not, or when the program ends).
    std::optional<DateTime> sendAndConfirm(CalibrationRecord& record,
                                           const std::string& typedWeight);
    // Reads what follows a confirmed calibration into the record; false when
    // the program began to end.
    bool complete(CalibrationRecord& record, DateTime sentAt);
    std::optional<ParameterReport> readParameters();
    std::string readBoardVersion();
    // The 32 records as this read received them.
    std::optional<CalibrationLogRecords> readCalibrationLog();
    std::optional<ReadingSummary> summarizeNextReadings();

    SessionHost& host_;
    ReplyPath& replies_;
    Weighing& weighing_;
    const PortConnection& connection_;
    ControllerCommands& commands_;
    std::string recordFile_;
    std::string boardId_;
    std::shared_ptr<RecordStore> recordStore_;
    std::string operatorName_;
    std::string testWeightId_;
    int recordings_ = 0; // calibrations whose records are being completed
    // Weighing::readingsSeen() when the last calibration command went out.
    uint64_t readingsAtCalibrationCommand_ = 0;
};
