#pragma once

// The controller's command catalogue and the encodings of the command data.
//
// The main window's SendScaleCmd(code, data) zero-fills SendBuf, copies
// BuildCommandFrame(code, data) into its first 8 bytes, hands those to the
// port and calls reset(). The named senders choose code and data:
//   SendSimpleCmd(code)     -> code, {}
//   SendZeroCmd(zero)       -> zero ? kCmdSetZero : kCmdShiftZero, {}
//   SendUnlockCmd()         -> kCmdOpenCalibrationSwitch, {}
//   SendReadParamCmd()      -> kCmdReadParameters, {}
//   SendReadLogCmd(index)   -> kCmdReadLogRecord, LogRecordData(index)
//   SendClockCmd()          -> kCmdSetClock, ClockData(CurrentDateTime())
//   SendAccCmd(value)       -> kCmdSetGravity, GravityData(value)

#include "protocol/date_time.h"
#include "protocol/frame.h"

#include <array>
#include <cstdint>

inline constexpr uint8_t kCmdReadVersion = 0x01;
inline constexpr uint8_t kCmdZeroCalibration = 0x02;
inline constexpr uint8_t kCmdAnyPointCalibration = 0x03;
inline constexpr uint8_t kCmdSetZero = 0x04;
inline constexpr uint8_t kCmdShiftZero = 0x05;
inline constexpr uint8_t kCmdZeroTrackingOff = 0xA0;
inline constexpr uint8_t kCmdZeroTrackingOn = 0xA1;
inline constexpr uint8_t kCmdQueryZeroTracking = 0xA3;
inline constexpr uint8_t kCmdReadVersionText = 0xF2;
inline constexpr uint8_t kCmdSetGravity = 0xF3;
inline constexpr uint8_t kCmdSetDivision = 0xF4;
inline constexpr uint8_t kCmdSetRange = 0xF5;
inline constexpr uint8_t kCmdReadParameters = 0xF6;
inline constexpr uint8_t kCmdSetClock = 0xF7;
inline constexpr uint8_t kCmdReadLogRecord = 0xF8;
inline constexpr uint8_t kCmdOpenCalibrationSwitch = 0xF9;
inline constexpr uint8_t kCmdBeeper = 0xFB;

// Every command code, in catalogue order.
inline constexpr std::array<uint8_t, 17> kCommandCatalogue = {
    kCmdReadVersion,     kCmdZeroCalibration, kCmdAnyPointCalibration, kCmdSetZero,
    kCmdShiftZero,       kCmdZeroTrackingOff, kCmdZeroTrackingOn,      kCmdQueryZeroTracking,
    kCmdReadVersionText, kCmdSetGravity,      kCmdSetDivision,         kCmdSetRange,
    kCmdReadParameters,  kCmdSetClock,        kCmdReadLogRecord,       kCmdOpenCalibrationSwitch,
    kCmdBeeper,
};

// Data byte 0 of the beeper command.
inline constexpr uint8_t kBeeperOff = 0x00;
inline constexpr uint8_t kBeeperOn = 0x01;
inline constexpr uint8_t kBeeperQuery = 0xFF;

// The four data bytes of a command (frame bytes 3..6); unused bytes are 0.
using CommandData = std::array<uint8_t, 4>;
using CommandFrame = std::array<uint8_t, kCommandFrameSize>;

// AA 01 code d0 d1 d2 d3 checksum.
CommandFrame BuildCommandFrame(uint8_t code, const CommandData& data = {});

// Gravity in units of 0.0001 m/s², signed 32-bit (97894 is 9.7894).
CommandData GravityData(int32_t value);
// Range in kg; only the low 16 bits are sent.
CommandData RangeData(int32_t rangeKg);
// Any-point weight in whole kg; only the low 16 bits are sent (70000 goes out
// as 4464), so callers refuse weights outside 0..65535 before sending.
CommandData AnyPointWeightData(int32_t weightKg);
// Selected index of the division box: 0 default dual division, 1 for 5 g;
// its low 8 bits are sent.
CommandData DivisionData(int32_t index);
// Controller clock: signed 32-bit seconds since the device epoch.
CommandData ClockData(int32_t deviceSeconds);
// The same for a date-time; 0 seconds when it cannot be converted.
CommandData ClockData(DateTime dateTime);
// Calibration-log record number, 1 to 32.
CommandData LogRecordData(uint8_t recordNo);
// kBeeperOn, kBeeperOff or kBeeperQuery.
CommandData BeeperData(uint8_t state);
