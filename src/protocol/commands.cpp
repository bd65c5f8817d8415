#include "protocol/commands.h"

#include "protocol/checksum.h"

#include <algorithm>

namespace {

CommandData u16Data(int32_t value)
{
    CommandData data{};
    WriteU16LE(data.data(), static_cast<uint16_t>(value));
    return data;
}

CommandData u32Data(int32_t value)
{
    CommandData data{};
    WriteU32LE(data.data(), static_cast<uint32_t>(value));
    return data;
}

CommandData byteData(uint8_t value) { return {value, 0, 0, 0}; }

} // namespace

CommandFrame BuildCommandFrame(uint8_t code, const CommandData& data)
{
    CommandFrame frame{kFrameHeader, kCommandMarker, code};
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    frame[7] = static_cast<uint8_t>(Checksum(frame.data(), 7) & 0xFF);
    return frame;
}

CommandData GravityData(int32_t value) { return u32Data(value); }

CommandData RangeData(int32_t rangeKg) { return u16Data(rangeKg); }

CommandData AnyPointWeightData(int32_t weightKg) { return u16Data(weightKg); }

CommandData DivisionData(int32_t index) { return byteData(static_cast<uint8_t>(index)); }

CommandData ClockData(int32_t deviceSeconds) { return u32Data(deviceSeconds); }

CommandData ClockData(DateTime dateTime)
{
    int32_t seconds = 0;
    ConvertDeviceTime(dateTime, seconds, true);
    return ClockData(seconds);
}

CommandData LogRecordData(uint8_t recordNo) { return byteData(recordNo); }

CommandData BeeperData(uint8_t state) { return byteData(state); }
