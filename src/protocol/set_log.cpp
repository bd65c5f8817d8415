#include "protocol/set_log.h"

#include "protocol/date_time.h"
#include "protocol/frame.h"

std::string FormatSetLogTime(int32_t deviceSeconds)
{
    if (deviceSeconds < 0)
        return std::to_string(deviceSeconds);
    TDateTime dateTime = kDeviceEpoch;
    DevTimeConvert(dateTime, deviceSeconds, false); // cannot fail in this direction
    return FormatDateTime(kPatternDateTime, dateTime);
}

TSetLogClass DecodeSetLogRecord(const uint8_t* frame)
{
    TSetLogClass record;
    record.iNo = frame[2];
    record.dtOpLog = FormatSetLogTime(ReadI32LE(frame + 3));
    record.iZeroAD = ReadI32LE(frame + 7);
    record.iAnyAD = ReadI32LE(frame + 11);
    record.iAnyValue = ReadU16LE(frame + 15);
    record.iOpType = frame[17];
    return record;
}
