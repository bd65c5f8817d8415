#pragma once

// The controller's calibration log: 32 slots, filled in order, the oldest
// record dropped when a calibration arrives with all slots taken.

#include "sim_frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scalesim {

struct CalibrationRecord {
    int32_t time = 0; // device clock, seconds since 2018-01-01 00:00:00
    int32_t zeroAD = 0;
    int32_t anyAD = 0;
    uint16_t weightKg = 0;
    uint8_t type = 0; // kZeroCalibration or kAnyPointCalibration
};

inline constexpr uint8_t kZeroCalibration = 1;
inline constexpr uint8_t kAnyPointCalibration = 2;

class CalibrationLog {
public:
    static constexpr std::size_t kSlots = 32;

    // Replaces the log with `count` (at most 32) past calibrations in pairs of
    // zero and any-point calibration, the same every time.
    void FillSample(std::size_t count, int32_t deadLoadAD, int32_t countsPerKg);

    void Append(const CalibrationRecord& record);

    // Payload of the 0xF8 reply for slot `number` (1 to 32): the number, the
    // time, both AD values, the weight and the type; all 0xFF when empty.
    Payload RecordPayload(uint8_t number) const;

    std::size_t Size() const { return records_.size(); }

private:
    std::vector<CalibrationRecord> records_;
};

// Device clock of a local wall-clock time (no time-zone conversion, as the
// tool counts it).
int32_t DeviceSeconds(int year, int month, int day, int hour, int minute, int second);
int32_t DeviceSecondsNow();

} // namespace scalesim
