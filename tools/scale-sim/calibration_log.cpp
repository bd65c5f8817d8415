#include "calibration_log.h"

#include <ctime>

namespace scalesim {

namespace {

int64_t WallSeconds(const std::tm& wall)
{
    std::tm copy = wall;
    return static_cast<int64_t>(timegm(&copy)); // the wall clock read as if it were UTC
}

} // namespace

int32_t DeviceSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm wall{};
    wall.tm_year = year - 1900;
    wall.tm_mon = month - 1;
    wall.tm_mday = day;
    wall.tm_hour = hour;
    wall.tm_min = minute;
    wall.tm_sec = second;
    std::tm epoch{};
    epoch.tm_year = 2018 - 1900;
    epoch.tm_mday = 1;
    return static_cast<int32_t>(WallSeconds(wall) - WallSeconds(epoch));
}

int32_t DeviceSecondsNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DeviceSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec);
}

void CalibrationLog::FillSample(std::size_t count, int32_t deadLoadAD, int32_t countsPerKg)
{
    static constexpr uint16_t kWeights[] = {10, 5, 15};
    records_.clear();
    const int32_t first = DeviceSeconds(2023, 3, 6, 9, 12, 0);
    for (std::size_t i = 0; i < count && i < kSlots; ++i) {
        const auto pair = static_cast<int32_t>(i / 2);
        CalibrationRecord record;
        record.weightKg = kWeights[pair % 3];
        // A calibration session every 23 days, the any-point one 4 minutes
        // after the zero; the zero wanders by a few counts between sessions.
        record.time = first + pair * (23 * 86400 + 3 * 3600 + 17 * 60) + (i % 2 == 0 ? 0 : 240);
        record.zeroAD = deadLoadAD + (pair * 37) % 50 - 25;
        record.anyAD = record.zeroAD + record.weightKg * countsPerKg + (pair * 13) % 9 - 4;
        record.type = i % 2 == 0 ? kZeroCalibration : kAnyPointCalibration;
        records_.push_back(record);
    }
}

void CalibrationLog::Append(const CalibrationRecord& record)
{
    if (records_.size() == kSlots)
        records_.erase(records_.begin());
    records_.push_back(record);
}

Payload CalibrationLog::RecordPayload(uint8_t number) const
{
    Payload payload;
    payload.fill(0xFF);
    if (number < 1 || number > records_.size())
        return payload;
    const CalibrationRecord& record = records_[number - 1];
    payload[0] = number;
    PutLE32(&payload[1], record.time);
    PutLE32(&payload[5], record.zeroAD);
    PutLE32(&payload[9], record.anyAD);
    PutLE16(&payload[13], record.weightKg);
    payload[15] = record.type;
    return payload;
}

} // namespace scalesim
