#pragma once

// The drift monitor ("AD检测区"): how far the live AD value has moved since
// sampling started, and when it first moved too far. It keeps no state of
// its own; base, start time and alarm time live in the texts of its edits.

#include "protocol/date_time.h"
#include "protocol/frame.h"

#include <cstdint>
#include <span>
#include <string>

// The texts of the monitor's edits, plus edtBaseAD's Tag (1: the next AD
// value becomes the base). The window reads them all, lets
// ComputeADMonitor update them and writes them back.
struct TADMonitorTexts {
    std::string edtNowAD;
    std::string edtBaseAD;
    int edtBaseADTag = 0;
    std::string edtDiffAD;
    std::string edtDiffValue;
    std::string edtStartDt;   // "YYYY-MM-DD hh:nn:ss", written by the sampling start
    std::string edtErrorDt;   // empty until the alarm fires
    std::string edtErrorCount;
    std::string edtRunCount;
};

// One AD count moves the weight by this much (in the unit shown).
inline constexpr double kADDriftFactor = 0.07;
// |drift| at or above this fires the alarm.
inline constexpr double kADDriftAlarm = 8.0;

// UpdateADMonitor's computation for one checksum-valid reply (any code):
// the AD value of bytes 6..9, the base, the difference and drift, the
// alarm time (once per sampling run) and the minutes since the start.
// The fields are updated in that order; when edtStartDt cannot be parsed,
// EConvertError is thrown after edtNowAD, edtBaseAD, the Tag, edtDiffAD and
// edtDiffValue have been updated, and the later fields are left as they were.
void ComputeADMonitor(std::span<const uint8_t, kReplyFrameSize> frame, TADMonitorTexts& texts,
                      TDateTime now);
