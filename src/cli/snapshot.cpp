#include "cli/snapshot.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

#include "app_core/file_io.h"

#include "cli/exit_code.h"
#include "cli/report_format.h"

using json = nlohmann::ordered_json;

namespace {

// Reads the fields of one JSON object; every failure names the source and
// the field's path.
class FieldReader {
public:
    FieldReader(const json& object, std::string source, std::string path)
        : object_(object), source_(std::move(source)), path_(std::move(path))
    {
        if (!object_.is_object())
            fail(path_.empty() ? "the document" : path_, "an object is required");
    }

    const json& field(const std::string& key) const
    {
        const auto found = object_.find(key);
        if (found == object_.end())
            fail(pathOf(key), "missing");
        return *found;
    }
    FieldReader object(const std::string& key) const { return {field(key), source_, pathOf(key)}; }

    int64_t integer(const std::string& key, int64_t min, int64_t max) const
    {
        const json& value = field(key);
        if (!value.is_number_integer() || value.get<int64_t>() < min || value.get<int64_t>() > max)
            fail(pathOf(key), "a whole number from " + std::to_string(min) + " to " +
                                  std::to_string(max) + " is required");
        return value.get<int64_t>();
    }
    std::string text(const std::string& key) const
    {
        const json& value = field(key);
        if (!value.is_string())
            fail(pathOf(key), "a text is required");
        return value.get<std::string>();
    }
    bool flag(const std::string& key) const
    {
        const json& value = field(key);
        if (!value.is_boolean())
            fail(pathOf(key), "true or false is required");
        return value.get<bool>();
    }
    // m/s², kept in units of 0.0001 m/s².
    int32_t gravity(const std::string& key) const
    {
        const json& value = field(key);
        const double scaled = value.is_number() ? std::nearbyint(value.get<double>() * 10000) : NAN;
        if (!(std::abs(scaled) <= std::numeric_limits<int32_t>::max()))
            fail(pathOf(key), "a gravity in m/s² is required, e.g. 9.7894");
        return static_cast<int32_t>(scaled);
    }
    uint8_t division(const std::string& key) const
    {
        const json& value = field(key);
        if (value == "default")
            return 0;
        if (value == "5g")
            return 1;
        if (value.is_number_integer() && value.get<int64_t>() >= 0 && value.get<int64_t>() <= 255)
            return static_cast<uint8_t>(value.get<int>());
        fail(pathOf(key), "\"default\", \"5g\" or a whole number from 0 to 255 is required");
    }

    [[noreturn]] void fail(const std::string& path, const std::string& what) const
    {
        throw UsageError(source_ + ": " + path + ": " + what);
    }
    std::string pathOf(const std::string& key) const
    {
        return path_.empty() ? key : path_ + "." + key;
    }

private:
    const json& object_;
    std::string source_;
    std::string path_;
};

CalibrationLogRecord LogRecordFromJson(const FieldReader& fields)
{
    CalibrationLogRecord record;
    record.number = static_cast<uint8_t>(fields.integer("no", 0, 255));
    record.time = fields.text("time");
    record.zeroAD = static_cast<int32_t>(fields.integer("zero_ad", INT32_MIN, INT32_MAX));
    record.referenceAD = static_cast<int32_t>(fields.integer("any_ad", INT32_MIN, INT32_MAX));
    record.referenceWeightKg = static_cast<uint16_t>(fields.integer("weight_kg", 0, 65535));
    record.operationType = static_cast<uint8_t>(fields.integer("type", 0, 255));
    return record;
}

// A record of the log is named "calibration_log record N", N from 1.
constexpr std::string_view kLogRecordPrefix = "calibration_log record ";

std::string LogRecordPath(size_t index)
{
    return std::string(kLogRecordPrefix) + std::to_string(index + 1);
}

} // namespace

json SnapshotJson(const Snapshot& snapshot)
{
    json log = json::array();
    for (const CalibrationLogRecord& record : snapshot.calibrationLog)
        log.push_back(LogRecordJson(record));
    return {{"format", kSnapshotFormat},
            {"format_version", kSnapshotFormatVersion},
            {"taken_at", snapshot.takenAt},
            {"port", snapshot.port},
            {"parameters", ParametersJson(snapshot.parameters)},
            {"zero_tracking", snapshot.zeroTracking},
            {"beeper", snapshot.beeper},
            {"version", snapshot.version},
            {"calibration_log", log}};
}

Snapshot SnapshotFromJson(const json& document, const std::string& source)
{
    const FieldReader fields(document, source, "");
    if (fields.field("format") != kSnapshotFormat)
        fields.fail("format", std::string("\"") + kSnapshotFormat + "\" is required");
    fields.integer("format_version", kSnapshotFormatVersion, kSnapshotFormatVersion);
    Snapshot snapshot;
    snapshot.takenAt = fields.text("taken_at");
    snapshot.port = fields.text("port");
    const FieldReader parameters = fields.object("parameters");
    snapshot.parameters.division = parameters.division("division");
    snapshot.parameters.rangeKg = static_cast<uint16_t>(parameters.integer("range_kg", 0, 65535));
    snapshot.parameters.calibrationGravity =
        parameters.object("calibration_place").gravity("gravity");
    snapshot.parameters.useGravity = parameters.object("use_place").gravity("gravity");
    snapshot.zeroTracking = fields.flag("zero_tracking");
    snapshot.beeper = fields.flag("beeper");
    snapshot.version = fields.text("version");
    const json& log = fields.field("calibration_log");
    if (!log.is_array())
        fields.fail("calibration_log", "a list of records is required");
    for (size_t i = 0; i < log.size(); ++i) {
        // null: an unused slot of the controller's log.
        if (log[i].is_null()) {
            CalibrationLogRecord unused;
            unused.empty = true;
            snapshot.calibrationLog.push_back(unused);
            continue;
        }
        snapshot.calibrationLog.push_back(
            LogRecordFromJson(FieldReader(log[i], source, LogRecordPath(i))));
    }
    return snapshot;
}

std::filesystem::path FilePath(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

bool NestedDeeperThan(std::string_view text, size_t limit)
{
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

Snapshot ReadSnapshotFile(const std::string& path)
{
    const std::optional<std::string> text = ReadWholeFile(path, kMaxSnapshotBytes);
    if (!text) {
        const std::error_code error(errno, std::generic_category());
        throw UsageError(path + ": cannot be read: " +
                         (error == std::errc::file_too_large ? "larger than 1 MB, not a snapshot"
                                                             : FileErrorText(error)));
    }
    if (NestedDeeperThan(*text, kMaxSnapshotDepth))
        throw UsageError(path + ": nested more than " + std::to_string(kMaxSnapshotDepth) +
                         " levels deep, not a snapshot");
    const json document = json::parse(*text, nullptr, false);
    if (document.is_discarded())
        throw UsageError(path + ": not a JSON document");
    return SnapshotFromJson(document, path);
}

std::string DifferenceText(const FieldDifference& difference)
{
    return difference.field + ": " + difference.expected.dump() + " -> " + difference.actual.dump();
}

json DifferencesJson(const std::vector<FieldDifference>& differences)
{
    json list = json::array();
    for (const FieldDifference& d : differences)
        list.push_back({{"field", d.field}, {"expected", d.expected}, {"actual", d.actual}});
    return list;
}

namespace {

constexpr const char* kComparedGroupsAndFields[] = {
    "parameters",
    "parameters.division",
    "parameters.range_kg",
    "parameters.calibration_place",
    "parameters.calibration_place.gravity",
    "parameters.use_place",
    "parameters.use_place.gravity",
    "zero_tracking",
    "beeper",
    "version",
    "calibration_log",
};

// `field` is `group` or lies in it ("calibration_log record 3" in
// "calibration_log", "parameters.range_kg" in "parameters").
bool FieldIn(const std::string& field, const std::string& group)
{
    return field.compare(0, group.size(), group) == 0 &&
           (field.size() == group.size() || field[group.size()] == '.' ||
            field[group.size()] == ' ');
}

bool Compared(const std::string& field, const ComparedFields& compared)
{
    if (compared.settableOnly && std::find(std::begin(kSettableFields), std::end(kSettableFields),
                                           field) == std::end(kSettableFields))
        return false;
    return std::none_of(compared.ignored.begin(), compared.ignored.end(),
                        [&](const std::string& group) { return FieldIn(field, group); });
}

} // namespace

bool IsComparableField(const std::string& name)
{
    if (std::find(std::begin(kComparedGroupsAndFields), std::end(kComparedGroupsAndFields), name) !=
        std::end(kComparedGroupsAndFields))
        return true;
    if (name.size() <= kLogRecordPrefix.size() || !name.starts_with(kLogRecordPrefix))
        return false;
    const std::string number = name.substr(kLogRecordPrefix.size());
    return number[0] != '0' && number.size() <= 3 &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<FieldDifference> SnapshotDifferences(const Snapshot& left, const Snapshot& right,
                                                 const ComparedFields& compared)
{
    std::vector<FieldDifference> differences;
    auto compare = [&](const std::string& field, const json& a, const json& b) {
        if (a != b && Compared(field, compared))
            differences.push_back({field, a, b});
    };
    const ParameterReport& l = left.parameters;
    const ParameterReport& r = right.parameters;
    compare("parameters.division", DivisionJson(l.division), DivisionJson(r.division));
    compare("parameters.range_kg", l.rangeKg, r.rangeKg);
    compare("parameters.calibration_place.gravity", GravityJson(l.calibrationGravity),
            GravityJson(r.calibrationGravity));
    compare("parameters.use_place.gravity", GravityJson(l.useGravity), GravityJson(r.useGravity));
    compare("zero_tracking", left.zeroTracking, right.zeroTracking);
    compare("beeper", left.beeper, right.beeper);
    compare("version", left.version, right.version);
    const size_t records = std::max(left.calibrationLog.size(), right.calibrationLog.size());
    for (size_t i = 0; i < records; ++i) {
        auto record = [i](const CalibrationLogRecords& log) {
            return i < log.size() ? LogRecordJson(log[i]) : json();
        };
        compare(LogRecordPath(i), record(left.calibrationLog), record(right.calibrationLog));
    }
    return differences;
}
