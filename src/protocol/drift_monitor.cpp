#include "protocol/drift_monitor.h"

#include <cmath>

void DriftMonitor::start(DateTime now)
{
    baseFromNextReading = true;
    // The start is shown, and counted from, to the whole second.
    startedAt = EncodeDateTime([&] {
        DateTimeParts parts = DecodeDateTime(now);
        parts.millisecond = 0;
        return parts;
    }());
    alarmAt.reset();
}

void DriftMonitor::update(int32_t ad, DateTime now)
{
    liveAD = ad;
    if (baseFromNextReading) {
        baseAD = ad;
        baseFromNextReading = false;
    }
    differenceAD = static_cast<int32_t>(static_cast<uint32_t>(ad) - static_cast<uint32_t>(baseAD));
    drift = differenceAD * kADDriftFactor;
    const DateTime start = startedAt.value_or(now);
    if (std::fabs(drift) >= kADDriftAlarm && !alarmAt) {
        alarmAt = now;
        alarmMinutes = WholeMinutesBetween(start, now);
    }
    runMinutes = WholeMinutesBetween(start, now);
}
