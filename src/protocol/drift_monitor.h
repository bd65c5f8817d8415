#pragma once

// The drift monitor ("AD检测区"): how far the live AD value has moved since
// sampling started, and when it first moved too far.

#include "protocol/date_time.h"

#include <cstdint>
#include <optional>

// One AD count moves the weight by this much (in the unit shown).
inline constexpr double kADDriftFactor = 0.07;
// |drift| at or above this raises the alarm.
inline constexpr double kADDriftAlarm = 8.0;

struct DriftMonitor {
    bool baseFromNextReading = false; // set by a start: the next live AD becomes the base
    int32_t baseAD = 0;
    int32_t liveAD = 0;
    int32_t differenceAD = 0;            // live - base, wrapping in 32 bits as the counts do
    double drift = 0.0;                  // differenceAD x kADDriftFactor
    std::optional<DateTime> startedAt;   // whole seconds
    std::optional<int64_t> runMinutes;   // since the start, at the last reading
    std::optional<DateTime> alarmAt;     // the first alarm of this run
    std::optional<int64_t> alarmMinutes; // minutes from the start to the last alarm

    // A new sampling run: the base is taken from the next reading and the
    // alarm is armed again. Earlier values stay until they are replaced.
    void start(DateTime now);
    // One measurement's live AD value.
    void update(int32_t ad, DateTime now);
};
