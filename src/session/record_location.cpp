#include "session/record_location.h"

#include "app_core/file_places.h"

std::string DefaultRecordFilePath()
{
    const std::string dir = UserDataDirectory();
    return dir.empty() ? std::string() : dir + "/calibration-records.jsonl";
}
