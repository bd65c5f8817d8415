#pragma once
// Which record store is in use: [Records] of the settings file, where the
// environment's SCALE_RECORDS_DATABASE and SCALE_RECORDS_STATION win.
//
//     [Records]
//     Database=postgresql://records.lab/scale
//     Station=line-3
//
// No Database: the record file alone. No Station: this computer's name.

#include <string>
#include <string_view>

class IniFile;

inline constexpr std::string_view kRecordsSection = "Records";
inline constexpr std::string_view kRecordsDatabaseKey = "Database";
inline constexpr std::string_view kRecordsStationKey = "Station";

struct RecordSettings {
    std::string database; // a libpq connection URI; empty: the record file alone
    std::string station;  // whose chain this computer's records continue
};

RecordSettings ReadRecordSettings(const IniFile& settings);

// This computer's name; "station" when it has none.
std::string ComputerName();
