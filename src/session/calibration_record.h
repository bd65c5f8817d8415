#pragma once
// The record of one confirmed zero or reference-weight calibration: what
// the controller was before and after, what the scale read before the
// command ("as found") and after it ("as left"), the controller's own
// calibration-log record of it, who calibrated and with which test weight.
// Records are kept one per line as JSON (record_file.h).

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/date_time.h"
#include "protocol/log_record.h"
#include "protocol/replies.h"
#include "protocol/weight.h"

enum class CalibrationKind { Zero, Weight };

// Mean and sample standard deviation of a run of gross weights (a tare or
// base value set in the tool never enters them).
struct ReadingSummary {
    int readings = 0;
    double meanKg = 0.0;
    double standardDeviationKg = 0.0;
    double divisionKg = 0.0; // the division of the last reading
    double meanAD = 0.0;     // mean live AD

    bool operator==(const ReadingSummary&) const = default;
};

// nullopt for no readings.
std::optional<ReadingSummary> SummarizeReadings(const std::vector<WeightReading>& readings);

// (mean - nominal) in divisions of the summary; nominal is 0 for a zero
// calibration and the reference weight for the other.
double DeviationInDivisions(const ReadingSummary& summary, double nominalKg);

struct CalibrationRecord {
    std::string time; // "YYYY-MM-DD hh:nn:ss", when the command went out
    CalibrationKind kind = CalibrationKind::Zero;
    int weightKg = 0;         // the reference weight; 0 for a zero calibration
    std::string testWeightId; // as the operator typed it; may be empty
    std::string operatorName; // may be empty
    // The tare set on the weighing page when the command went out; the
    // readings above are gross and never include it. 0 in older records.
    double tareKg = 0.0;
    std::string boardVersion; // the version number or text; empty when unanswered
    // Which line and board: the port as opened and the board's identity
    // (an instrument serial number) when known. Empty in older records.
    std::string port;
    std::string board;
    std::optional<ParameterReport> before;
    std::optional<ParameterReport> after;
    std::optional<ReadingSummary> asFound;
    std::optional<ReadingSummary> asLeft;
    std::optional<CalibrationLogRecord> logRecord; // the controller's record of this calibration
    std::string previousHash; // the hash of the record before it; 64 zeros for the first
    std::string hash;         // SHA-256 of the record's line up to its hash

    bool operator==(const CalibrationRecord&) const = default;
};

// The record is not a record line.
class RecordFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The record's line without its hash: a JSON object whose closing brace is
// left off, so that `,"hash":"…"}` completes it. Invalid UTF-8 in the texts
// is replaced.
std::string RecordLineBody(const CalibrationRecord& record);
// The whole line (no line end): body, then the SHA-256 of the body.
std::string RecordLine(const CalibrationRecord& record);
// Reads a line back; throws RecordFormatError when it is no record.
CalibrationRecord ParseRecordLine(const std::string& line);

// Display text of the division setting: "默认", "5g", or the number.
std::string DivisionSettingText(int division);

// The record the controller's calibration log holds for a calibration sent
// between `from` and `to` (workstation times; the controller's clock was
// set from the workstation's when the port was opened): of the records
// timed within that span widened by kLogClockToleranceSeconds on each side,
// and for a reference-weight calibration naming its weight, the newest.
// Only a record of the calibration's kind (its operation type) is taken: a
// span calibrated right after a zero is not the zero's record.
inline constexpr int kLogClockToleranceSeconds = 120;
// The operation type the controller logs for a calibration: 1 zero, 2 span.
inline constexpr uint8_t OperationTypeOf(CalibrationKind kind)
{
    return kind == CalibrationKind::Zero ? 1 : 2;
}
std::optional<CalibrationLogRecord> FindLogRecordOf(const CalibrationLogRecords& log,
                                                    CalibrationKind kind, int weightKg,
                                                    DateTime from, DateTime to);
