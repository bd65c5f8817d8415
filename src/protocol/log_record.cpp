#include "protocol/log_record.h"

#include <algorithm>

#include "protocol/date_time.h"
#include "protocol/frame.h"

std::string FormatCalibrationLogTime(int32_t deviceSeconds)
{
    if (deviceSeconds < 0)
        return std::to_string(deviceSeconds);
    DateTime dateTime = kDeviceEpoch;
    ConvertDeviceTime(dateTime, deviceSeconds, false); // cannot fail in this direction
    return FormatDateTime(kPatternDateTime, dateTime);
}

CalibrationLogRecord DecodeCalibrationLogRecord(const uint8_t* frame)
{
    CalibrationLogRecord record;
    record.number = frame[2];
    record.time = FormatCalibrationLogTime(ReadI32LE(frame + 3));
    record.zeroAD = ReadI32LE(frame + 7);
    record.referenceAD = ReadI32LE(frame + 11);
    record.referenceWeightKg = ReadU16LE(frame + 15);
    record.operationType = frame[17];
    record.empty = std::all_of(frame + 3, frame + 18, [](uint8_t byte) { return byte == 0xFF; });
    return record;
}
