#pragma once
// A snapshot: everything scale-cli can read from a controller, as one JSON
// document with a format version. Reading a document checks every field;
// a bad one is a usage error naming the file and the field.

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/log_record.h"
#include "protocol/replies.h"

inline constexpr const char* kSnapshotFormat = "scale-cli snapshot";
inline constexpr int kSnapshotFormatVersion = 1;

struct Snapshot {
    std::string takenAt; // the workstation's time, "YYYY-MM-DD hh:nn:ss"
    std::string port;
    ParameterReport parameters;
    bool zeroTracking = false;
    bool beeper = false;
    std::string version;
    CalibrationLogRecords calibrationLog;
};

nlohmann::ordered_json SnapshotJson(const Snapshot& snapshot);
// `source` names the document in messages (its file name).
Snapshot SnapshotFromJson(const nlohmann::ordered_json& document, const std::string& source);
// A snapshot is a few kB, nested four levels deep; anything far beyond is
// refused before it is parsed.
inline constexpr size_t kMaxSnapshotBytes = 1 << 20;
inline constexpr size_t kMaxSnapshotDepth = 64;

// Whether [ and { (outside strings) open more than `limit` levels.
bool NestedDeeperThan(std::string_view text, size_t limit);

// Reads and checks a snapshot file: a regular file (a FIFO, a device or a
// directory is refused, never waited on) of at most kMaxSnapshotBytes,
// nested at most kMaxSnapshotDepth levels.
Snapshot ReadSnapshotFile(const std::string& path);

// A file name as given (UTF-8, as every argument) for the system's file
// calls: on Windows any name opens, not only those of the ANSI code page.
std::filesystem::path FilePath(const std::string& name);

// A field that differs: its name and its value in each of the two.
struct FieldDifference {
    std::string field;
    nlohmann::ordered_json expected; // the golden side (the first file)
    nlohmann::ordered_json actual;   // the board, or the second file
};
// "parameters.range_kg: 15 -> 30"
std::string DifferenceText(const FieldDifference& difference);
// [{"field": …, "expected": …, "actual": …}, …]
nlohmann::ordered_json DifferencesJson(const std::vector<FieldDifference>& differences);

// Which fields a diff compares: all, or only those apply writes, less the
// ignored ones (a field, or a group: "parameters", "calibration_log").
struct ComparedFields {
    bool settableOnly = false;
    std::vector<std::string> ignored;
};
// The fields apply writes.
inline constexpr const char* kSettableFields[] = {"parameters.use_place.gravity",
                                                  "parameters.range_kg", "parameters.division",
                                                  "zero_tracking", "beeper"};
// Whether `name` is a field or group a diff can ignore.
bool IsComparableField(const std::string& name);

// The fields that differ, in the document's order; the time taken, the port
// and the places' names (which follow from the gravity values) are not
// compared. Empty when the two are equal.
std::vector<FieldDifference> SnapshotDifferences(const Snapshot& left, const Snapshot& right,
                                                 const ComparedFields& compared = {});
