#pragma once

// What one measurement frame puts on the screen. The main window's
// ShowWeightData computes it here and only displays the result, in the
// order of the fields below.

#include "protocol/frame.h"

#include <cstdint>
#include <span>
#include <string>

// Weighing state: owned by the application, written by the tare and base
// operations, the parameter report and the range setting.
struct TWeighingState {
    double dTare = 0.0;      // kg, subtracted from every displayed weight
    double dBaseValue = 0.0; // kg, subtracted from the raw weight
    int32_t iMaxRange = 0;   // kg; only its low 16 bits choose the division
    bool bSampling = false;  // the drift monitor runs
};

inline constexpr uint8_t kReplyPowerOnZeroFailed = 0x77;

// Division values in units of 0.1 g (0.0001 kg).
inline constexpr int kDivisionRange30 = 100;
inline constexpr int kDivisionRange750 = 500;
inline constexpr int kDivisionFrom6kg = 50;
inline constexpr int kDivisionBelow6kg = 20;

struct TWeightDisplay {
    std::string strStatus;    // for ShowStatus, first; empty: leave the status alone
    std::string lbl4;         // raw weight, "0.######"
    std::string lblRealValue; // "实际值：" + (raw - base), "0.######"
    std::string DispValue;    // displayed weight, "0.000"
    std::string lblValue;     // the same text as DispValue
    std::string lblAnyValue;  // calibration weight, decimal
    std::string lblFDvalue;   // division in kg, general form
    std::string strResultLine; // for WriteResult: lblRealValue + ","

    double dRawWeight = 0.0;  // kg
    int iDivision = 0;        // units of 0.1 g
    double dDisplayed = 0.0;  // kg, after rounding, sign and tare
};

// Raw weight in kg: calibration weight x live AD / span AD (0 when the span
// is 0). The product is formed in 64 bits: a 24-bit AD times 750 kg does
// not fit in 32.
double RawWeight(std::span<const uint8_t, kReplyFrameSize> frame);

// Division for the range (low 16 bits) and the raw weight's magnitude.
int ChooseDivision(int32_t iMaxRange, double absRawWeight);

// The computation of ShowWeightData for a checksum-valid measurement frame.
// Throws std::out_of_range only for a base value so far from the weight that
// the rounding leaves the 64-bit range (no frame can cause that alone).
TWeightDisplay ComputeWeightDisplay(std::span<const uint8_t, kReplyFrameSize> frame,
                                    const TWeighingState& state);
