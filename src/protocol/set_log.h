#pragma once

// Calibration-log records as the controller reports them (reply 0xF8).

#include <cstdint>
#include <string>
#include <vector>

class TSetLogClass {
public:
    uint8_t iNo = 0;        // record number as reported
    std::string dtOpLog;    // "YYYY-MM-DD hh:nn:ss", or a negative time in decimal
    int32_t iZeroAD = 0;    // zero-point AD value
    int32_t iAnyAD = 0;     // any-point AD value
    uint16_t iAnyValue = 0; // any-point weight value
    uint8_t iOpType = 0;    // operation type code, shown as a number

    bool operator==(const TSetLogClass&) const = default;
};

// The records in arrival order; the list owns them, so emptying or
// destroying it destroys them. The application keeps one, SetLogList.
using TSetLogList = std::vector<TSetLogClass>;

// Reads a checksum-valid 0xF8 reply frame (header at index 0).
TSetLogClass DecodeSetLogRecord(const uint8_t* frame);

// The calibration time of a record: seconds since the device epoch as
// "YYYY-MM-DD hh:nn:ss"; a negative count is written as the number ("-1").
std::string FormatSetLogTime(int32_t deviceSeconds);
