#pragma once

// Calibration-log records as the controller reports them (reply 0xF8).

#include <cstdint>
#include <string>
#include <vector>

class CalibrationLogRecord {
public:
    uint8_t number = 0;             // record number as reported
    std::string time;               // "YYYY-MM-DD hh:nn:ss", or a negative time in decimal
    int32_t zeroAD = 0;             // zero-point AD value
    int32_t referenceAD = 0;        // any-point AD value
    uint16_t referenceWeightKg = 0; // any-point weight value
    uint8_t operationType = 0;      // operation type code, shown as a number
    // An unused slot: the controller answers with every field's bytes 0xFF.
    // Its fields mean nothing and are never shown as values.
    bool empty = false;

    bool operator==(const CalibrationLogRecord&) const = default;
};

// The records in arrival order; the list owns them, so emptying or
// destroying it destroys them. The scale session keeps one.
using CalibrationLogRecords = std::vector<CalibrationLogRecord>;

// Reads a checksum-valid 0xF8 reply frame (header at index 0).
CalibrationLogRecord DecodeCalibrationLogRecord(const uint8_t* frame);

// The calibration time of a record: seconds since the device epoch as
// "YYYY-MM-DD hh:nn:ss"; a negative count is written as the number ("-1").
std::string FormatCalibrationLogTime(int32_t deviceSeconds);
