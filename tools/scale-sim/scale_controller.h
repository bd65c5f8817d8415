#pragma once

// The simulated controller board: its settings, its calibration, the
// weighing sensor under it, and what it answers to each command.

#include "calibration_log.h"
#include "sim_frame.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace scalesim {

// Reply codes.
enum ReplyCode : uint8_t {
    kAck = 0x00,
    kVersionNumber = 0x01,
    kRefused = 0x11,
    kZeroNotCalibrated = 0x22,
    kSpanNotCalibrated = 0x33,
    kSwitchClosed = 0x44,
    kZeroCalibrated = 0x66,
    kZeroed = 0x68,
    kZeroTooFar = 0x69,
    kPowerOnZeroFailed = 0x77, // a measurement frame with a warning
    kSpanCalibrated = 0x88,
    kTrackingSet = 0x99,
    kTrackingOn = 0x9A,
    kTrackingOff = 0x9B,
    kVersionText = 0xF2,
    kRangeSet = 0xF5,
    kParameters = 0xF6,
    kLogRecord = 0xF8,
    kBeeperState = 0xFB,
    kMeasurement = 0x10, // any code the tool has no case for
};

// Command codes.
enum CommandCode : uint8_t {
    kReadVersion = 0x01,
    kCalibrateZero = 0x02,
    kCalibrateSpan = 0x03,
    kSetZero = 0x04,
    kShiftZero = 0x05,
    kTrackingOffCmd = 0xA0,
    kTrackingOnCmd = 0xA1,
    kQueryTracking = 0xA3,
    kReadVersionText = 0xF2,
    kSetGravity = 0xF3,
    kSetDivision = 0xF4,
    kSetRange = 0xF5,
    kReadParameters = 0xF6,
    kSetClock = 0xF7,
    kReadLogRecord = 0xF8,
    kOpenSwitch = 0xF9,
    kBeeper = 0xFB,
};

// The sensor: AD counts per kilogram and the counts of the empty platform.
// 14000 counts per kg (about 0.07 g a count) put a full 750 kg platform near
// the top of a 24-bit converter.
inline constexpr int32_t kCountsPerKg = 14000;
inline constexpr int32_t kDeadLoadAD = 500000;
// Zeroing (0x04) and zero tracking act only within 4 % of the range of the
// calibrated zero.
inline constexpr double kZeroBand = 0.04;

struct ControllerState {
    // What lies on the platform and how the sensor behaves.
    double loadKg = 0;
    int noiseCounts = 0;       // uniform noise, plus or minus
    double driftPerMinute = 0; // slow drift of the AD value, counts per minute

    // Settings kept by the controller.
    uint16_t rangeKg = 15;
    uint8_t division = 0;       // 0 default dual division, 1 for 5 g
    int32_t gravityUse = 97894; // 0.0001 m/s², place of use
    int32_t gravityCal = 97894; // 0.0001 m/s², place of calibration
    bool zeroTracking = false;
    bool beeper = true;
    bool switchOpen = false; // calibration switch
    uint8_t versionNumber = 18;
    std::string versionText = "SCALE CTRL V1.8";
    bool zeroFailed = false; // power-on zero failed: frames carry 0x77 until zeroed

    // Calibration: zero AD, the AD counts of the calibration weight above it,
    // and the offset set by zeroing.
    bool zeroCalibrated = true;
    bool spanCalibrated = true;
    int32_t zeroAD = kDeadLoadAD;
    int32_t spanAD = 10 * kCountsPerKg;
    uint16_t calWeightKg = 10;
    int32_t zeroOffset = 0;
};

class ScaleController {
public:
    explicit ScaleController(uint32_t seed = 1);

    ControllerState state;
    CalibrationLog log;

    // True for the codes that get a reply of their own or an acknowledgement;
    // 0x05, 0xF7, 0xF9 and unknown codes get none.
    static bool HasAnswer(uint8_t code);
    static bool IsCommand(uint8_t code);

    // The replies to one valid command frame; changes the state as the
    // command says. `nowMs` is the simulation time.
    std::vector<ReplyFrame> Answer(const CommandFrame& frame, int64_t nowMs);

    // The measurement frame for this moment; applies zero tracking.
    ReplyFrame Measurement(int64_t nowMs);

    // A factory calibration with `weightKg` (0: zero only; -1: none).
    void SetCalibration(int weightKg);

    int32_t DeviceClock(int64_t nowMs) const;
    void SetDeviceClock(int32_t seconds, int64_t nowMs);

    // Weight in kg relative to the calibrated zero (ignores zeroing).
    double GrossKg(int32_t rawAD) const;

private:
    int32_t SampleAD(int64_t nowMs);
    int32_t LiveAD(int32_t rawAD) const;
    ReplyFrame Reply(uint8_t code, const Payload& payload = {}) const;
    void LogCalibration(uint8_t type, int64_t nowMs);
    std::vector<ReplyFrame> CalibrateZero(int64_t nowMs);
    std::vector<ReplyFrame> CalibrateSpan(uint16_t weightKg, int64_t nowMs);
    std::vector<ReplyFrame> SetZero(bool checkBand, int64_t nowMs);

    std::mt19937 random_;
    double driftCounts_ = 0;
    int64_t driftAtMs_ = 0;
    int32_t clockSeconds_;
    int64_t clockAtMs_ = 0;
};

} // namespace scalesim
