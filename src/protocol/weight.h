#pragma once

// The weight a measurement frame carries: raw weight, rounding to the
// division of the range, base value and tare.

#include "protocol/frame.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

// Weighing state: owned by the session, written by the tare and base
// operations, the parameter report and the range setting.
struct WeighingState {
    double tare = 0.0;      // kg, subtracted from every displayed weight
    double baseValue = 0.0; // kg, subtracted from the raw weight
    int32_t rangeKg = 0;    // only its low 16 bits choose the division
};

inline constexpr uint8_t kReplyPowerOnZeroFailed = 0x77;

// The ranges in kg an operator chooses from, in the order they are listed.
inline constexpr std::array<int, 4> kRangeChoicesKg = {3, 15, 30, 750};

// Division values in units of 0.1 g (0.0001 kg).
inline constexpr int kDivisionRange30 = 100;
inline constexpr int kDivisionRange750 = 500;
inline constexpr int kDivisionFrom6kg = 50;
inline constexpr int kDivisionBelow6kg = 20;

// What one measurement frame says, as numbers; the window formats what it shows.
struct WeightReading {
    bool powerOnZeroFailed = false; // reply 0x77: "上电自动归零失败！"
    double rawWeight = 0.0;         // kg
    double realWeight = 0.0;        // kg, raw weight minus the base value
    double displayed = 0.0;         // kg, rounded to the division, signed, minus the tare
    // kg, the raw weight rounded to the division with neither base value nor
    // tare: what the controller weighs, and what calibration evidence holds.
    double gross = 0.0;
    int division = 0;               // units of 0.1 g
    uint16_t calibrationWeight = 0; // kg
    int32_t liveAD = 0;
};

// Raw weight in kg: calibration weight x live AD / span AD (0 when the span
// is 0). The product is formed in 64 bits: a 24-bit AD times 750 kg does
// not fit in 32.
double RawWeight(std::span<const uint8_t, kReplyFrameSize> frame);

// Division for the range (low 16 bits) and the raw weight's magnitude.
int ChooseDivision(int32_t rangeKg, double absRawWeight);

// The reading of a checksum-valid measurement frame. Throws
// std::out_of_range only for a base value so far from the weight that the
// rounding leaves the 64-bit range (no frame can cause that alone).
WeightReading ComputeWeight(std::span<const uint8_t, kReplyFrameSize> frame,
                            const WeighingState& state);

// "实际值：" and the real weight in the "0.######" form.
std::string RealWeightText(const WeightReading& reading);
// The result log's line for a reading: RealWeightText and ",".
std::string ResultLogLine(const WeightReading& reading);
// A division in kg, in the general number form ("0.005").
std::string DivisionText(int division);
