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

// One line per field that differs, "range_kg: 15 -> 30", left value first;
// the time taken, the port and the places' names (which follow from the
// gravity values) are not compared. Empty when the two are equal.
std::vector<std::string> SnapshotDifferences(const Snapshot& left, const Snapshot& right);
