#include "session/record_settings.h"

#include <cstdlib>

#include "app_core/ini_file.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string ComputerName()
{
#ifdef _WIN32
    std::string name = Environment("COMPUTERNAME");
#else
    char buffer[256] = {};
    std::string name = gethostname(buffer, sizeof buffer - 1) == 0 ? buffer : "";
#endif
    return name.empty() ? "station" : name;
}

RecordSettings ReadRecordSettings(const IniFile& settings)
{
    RecordSettings result;
    result.database = Environment("SCALE_RECORDS_DATABASE");
    if (result.database.empty())
        result.database = settings.ReadString(kRecordsSection, kRecordsDatabaseKey, "");
    result.station = Environment("SCALE_RECORDS_STATION");
    if (result.station.empty())
        result.station = settings.ReadString(kRecordsSection, kRecordsStationKey, "");
    if (result.station.empty())
        result.station = ComputerName();
    return result;
}
