#pragma once
// The commands of scale-cli, each run once its arguments have been checked.
// Results go to standard output; a failure is thrown as a CommandFailure.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/controller_link.h"
#include "cli/snapshot.h"
#include "protocol/replies.h"
#include "session/record_store.h"

struct CommonOptions {
    LinkSettings link;
    bool json = false;
};

enum class SwitchRequest { On, Off, Query };

// Reading.
// `namedPorts`: given with --port, probed too when not among those present.
void RunPorts(const CommonOptions& options, bool probe, const std::vector<std::string>& namedPorts);
// The serial devices present that answer the parameter request, in name order.
std::vector<std::string> AnsweringPorts(const CommonOptions& options);
void RunParams(const CommonOptions& options);
void RunVersion(const CommonOptions& options);
void RunLog(const CommonOptions& options, bool csv);

// Weighing.
void RunWatch(const CommonOptions& options, uint32_t count, bool csv);
void RunZero(const CommonOptions& options);
void RunShiftZero(const CommonOptions& options);

// Settings.
void RunClock(const CommonOptions& options);
void RunTracking(const CommonOptions& options, SwitchRequest request);
void RunBeeper(const CommonOptions& options, SwitchRequest request);

struct GravityRequest {
    GravityPlace place = GravityPlace::Use;
    std::optional<int> row;           // index into the gravity table
    std::optional<std::string> value; // m/s² as typed, or as computed from latitude and altitude
};
void RunSetGravity(const CommonOptions& options, const GravityRequest& request);
void RunSetRange(const CommonOptions& options, int rangeKg);
void RunSetDivision(const CommonOptions& options, int division);

// Calibration.
void RunUnlock(const CommonOptions& options, const std::string& code);
struct CalibrationRequest {
    std::optional<std::string> weightKg; // as typed; none: zero calibration
    uint32_t stableReadings = 10;
    uint32_t settleMs = 10000;
    std::optional<std::string> code;
    std::string operatorName; // for the calibration record, may be empty
    std::string weightId;     // the test weight's identifier, may be empty
};
// Also appends the calibration's record to the user's record file.
void RunCalibrate(const CommonOptions& options, const CalibrationRequest& request);
// The record file's chain: `file`, or the user's record file when empty;
// with a records database in use and no `file`, also every station's chain
// in the database.
void RunRecordsVerify(const CommonOptions& options, const std::string& file);
// The records of the store in use (record_store_choice.h).
void RunRecordsList(const CommonOptions& options, const RecordFilter& filter);
// Uploads the records the database lacks.
void RunRecordsPush(const CommonOptions& options);

// Snapshots.
void RunSnapshot(const CommonOptions& options, const std::optional<std::string>& outputFile);
void RunApply(const CommonOptions& options, const std::string& file, bool dryRun);
// Reads only what apply writes and compares it with the file's.
void RunVerify(const CommonOptions& options, const std::string& file);
void RunDiff(const CommonOptions& options, const std::string& file,
             const std::optional<std::string>& secondFile, const ComparedFields& compared);
