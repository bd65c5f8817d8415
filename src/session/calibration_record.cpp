#include "session/calibration_record.h"

#include <nlohmann/json.hpp>

#include <cmath>

#include "protocol/gravity.h"
#include "session/sha256.h"

using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kKindNames[] = {"zero", "weight"};
constexpr std::string_view kHashKey = ",\"hash\":\"";
constexpr size_t kHashDigits = 64;

// Stored to a millionth of a kilogram (a milligram) and a tenth of a count:
// finer digits are noise of the averaging.
double Rounded(double value, double unit) { return std::round(value / unit) * unit; }

Json ParametersJson(const ParameterReport& report)
{
    return Json{{"division", report.division},
                {"rangeKg", report.rangeKg},
                {"calibrationGravity", report.calibrationGravity},
                {"calibrationPlace", PlaceNamesForGravity(report.calibrationGravity)},
                {"useGravity", report.useGravity},
                {"usePlace", PlaceNamesForGravity(report.useGravity)}};
}

ParameterReport ParametersFrom(const Json& json)
{
    ParameterReport report;
    report.division = json.at("division").get<uint8_t>();
    report.rangeKg = json.at("rangeKg").get<uint16_t>();
    report.calibrationGravity = json.at("calibrationGravity").get<int32_t>();
    report.useGravity = json.at("useGravity").get<int32_t>();
    return report;
}

Json SummaryJson(const ReadingSummary& summary)
{
    return Json{{"readings", summary.readings},
                {"meanKg", Rounded(summary.meanKg, 1e-6)},
                {"standardDeviationKg", Rounded(summary.standardDeviationKg, 1e-6)},
                {"divisionKg", summary.divisionKg},
                {"meanAD", Rounded(summary.meanAD, 0.1)}};
}

ReadingSummary SummaryFrom(const Json& json)
{
    ReadingSummary summary;
    summary.readings = json.at("readings").get<int>();
    summary.meanKg = json.at("meanKg").get<double>();
    summary.standardDeviationKg = json.at("standardDeviationKg").get<double>();
    summary.divisionKg = json.at("divisionKg").get<double>();
    summary.meanAD = json.at("meanAD").get<double>();
    return summary;
}

Json LogRecordJson(const CalibrationLogRecord& record)
{
    return Json{{"no", record.number},
                {"time", record.time},
                {"zeroAD", record.zeroAD},
                {"anyAD", record.referenceAD},
                {"weightKg", record.referenceWeightKg},
                {"type", record.operationType}};
}

CalibrationLogRecord LogRecordFrom(const Json& json)
{
    CalibrationLogRecord record;
    record.number = json.at("no").get<uint8_t>();
    record.time = json.at("time").get<std::string>();
    record.zeroAD = json.at("zeroAD").get<int32_t>();
    record.referenceAD = json.at("anyAD").get<int32_t>();
    record.referenceWeightKg = json.at("weightKg").get<uint16_t>();
    record.operationType = json.at("type").get<uint8_t>();
    return record;
}

template <typename T, typename ToJson>
Json OptionalJson(const std::optional<T>& value, ToJson toJson)
{
    return value ? toJson(*value) : Json(nullptr);
}

template <typename T, typename FromJson>
std::optional<T> OptionalFrom(const Json& json, const char* key, FromJson fromJson)
{
    const Json& value = json.at(key);
    if (value.is_null())
        return std::nullopt;
    return fromJson(value);
}

} // namespace

std::optional<ReadingSummary> SummarizeReadings(const std::vector<WeightReading>& readings)
{
    if (readings.empty())
        return std::nullopt;
    ReadingSummary summary;
    summary.readings = static_cast<int>(readings.size());
    double sumKg = 0;
    double sumAD = 0;
    for (const WeightReading& reading : readings) {
        sumKg += reading.gross;
        sumAD += reading.liveAD;
    }
    summary.meanKg = sumKg / summary.readings;
    summary.meanAD = sumAD / summary.readings;
    if (summary.readings > 1) {
        double squares = 0;
        for (const WeightReading& reading : readings)
            squares += (reading.gross - summary.meanKg) * (reading.gross - summary.meanKg);
        summary.standardDeviationKg = std::sqrt(squares / (summary.readings - 1));
    }
    summary.divisionKg = readings.back().division / 10000.0;
    return summary;
}

double DeviationInDivisions(const ReadingSummary& summary, double nominalKg)
{
    return summary.divisionKg > 0 ? (summary.meanKg - nominalKg) / summary.divisionKg : 0.0;
}

std::string RecordLineBody(const CalibrationRecord& record)
{
    const Json json{{"time", record.time},
                    {"kind", kKindNames[static_cast<int>(record.kind)]},
                    {"weightKg", record.weightKg},
                    {"testWeightId", record.testWeightId},
                    {"operator", record.operatorName},
                    {"tareKg", record.tareKg},
                    {"boardVersion", record.boardVersion},
                    {"port", record.port},
                    {"board", record.board},
                    {"before", OptionalJson(record.before, ParametersJson)},
                    {"after", OptionalJson(record.after, ParametersJson)},
                    {"asFound", OptionalJson(record.asFound, SummaryJson)},
                    {"asLeft", OptionalJson(record.asLeft, SummaryJson)},
                    {"logRecord", OptionalJson(record.logRecord, LogRecordJson)},
                    {"previousHash", record.previousHash}};
    std::string text = json.dump(-1, ' ', false, Json::error_handler_t::replace);
    text.pop_back(); // the closing brace follows the hash
    return text;
}

std::string RecordLine(const CalibrationRecord& record)
{
    const std::string body = RecordLineBody(record);
    return body + std::string(kHashKey) + Sha256Hex(body) + "\"}";
}

CalibrationRecord ParseRecordLine(const std::string& line)
{
    const Json json = Json::parse(line, nullptr, false);
    if (!json.is_object())
        throw RecordFormatError("not a JSON object");
    try {
        CalibrationRecord record;
        record.time = json.at("time").get<std::string>();
        const std::string kind = json.at("kind").get<std::string>();
        if (kind == kKindNames[0])
            record.kind = CalibrationKind::Zero;
        else if (kind == kKindNames[1])
            record.kind = CalibrationKind::Weight;
        else
            throw RecordFormatError("unknown calibration kind " + kind);
        record.weightKg = json.at("weightKg").get<int>();
        record.testWeightId = json.at("testWeightId").get<std::string>();
        record.operatorName = json.at("operator").get<std::string>();
        record.tareKg = json.value("tareKg", 0.0);
        record.boardVersion = json.at("boardVersion").get<std::string>();
        record.port = json.value("port", std::string());
        record.board = json.value("board", std::string());
        record.before = OptionalFrom<ParameterReport>(json, "before", ParametersFrom);
        record.after = OptionalFrom<ParameterReport>(json, "after", ParametersFrom);
        record.asFound = OptionalFrom<ReadingSummary>(json, "asFound", SummaryFrom);
        record.asLeft = OptionalFrom<ReadingSummary>(json, "asLeft", SummaryFrom);
        record.logRecord = OptionalFrom<CalibrationLogRecord>(json, "logRecord", LogRecordFrom);
        record.previousHash = json.at("previousHash").get<std::string>();
        record.hash = json.at("hash").get<std::string>();
        if (record.hash.size() != kHashDigits)
            throw RecordFormatError("hash of the wrong length");
        return record;
    } catch (const nlohmann::json::exception& error) {
        throw RecordFormatError(error.what());
    }
}

std::string DivisionSettingText(int division)
{
    if (division == 0)
        return "默认";
    if (division == 1)
        return "5g";
    return std::to_string(division);
}

std::optional<CalibrationLogRecord> FindLogRecordOf(const CalibrationLogRecords& log,
                                                    CalibrationKind kind, int weightKg,
                                                    DateTime from, DateTime to)
{
    constexpr DateTime kTolerance = kLogClockToleranceSeconds / 86400.0;
    std::optional<CalibrationLogRecord> found;
    DateTime foundAt = 0;
    for (const CalibrationLogRecord& record : log) {
        if (record.empty)
            continue;
        const std::optional<DateTime> at = TryParseDateTime(record.time);
        if (!at || *at < from - kTolerance || *at > to + kTolerance)
            continue;
        if (record.operationType != OperationTypeOf(kind))
            continue;
        if (kind == CalibrationKind::Weight && record.referenceWeightKg != weightKg)
            continue;
        if (!found || *at >= foundAt) {
            found = record;
            foundAt = *at;
        }
    }
    return found;
}
