#include "protocol/weight.h"

#include "protocol/number_format.h"

#include <cmath>
#include <stdexcept>
#include <string_view>

namespace {

constexpr double kUnitsPerKg = 10000.0; // division units (0.1 g) per kg

// Rounds |w| - base to the division: whole 0.1 g units truncated toward zero,
// then a remainder of at least half a division rounds up. A negative
// remainder (base above the weight) never rounds.
double roundToDivision(double absWeight, double baseValue, int division)
{
    const double t = (absWeight - baseValue) * kUnitsPerKg;
    if (!(std::fabs(t) < 9.2e18))
        throw std::out_of_range("weight minus base value out of range");
    const int64_t n = static_cast<int64_t>(t);
    int64_t q = n / division;
    const int64_t r = n % division;
    if (r != 0 && r >= division / 2)
        ++q;
    return static_cast<double>(q * division) / kUnitsPerKg;
}

} // namespace

// The four divisions are known, so they need no formatting.
std::string DivisionText(int division)
{
    switch (division) {
    case kDivisionBelow6kg:
        return "0.002";
    case kDivisionFrom6kg:
        return "0.005";
    case kDivisionRange30:
        return "0.01";
    case kDivisionRange750:
        return "0.05";
    default:
        return FormatGeneral(division / kUnitsPerKg);
    }
}

double RawWeight(std::span<const uint8_t, kReplyFrameSize> frame)
{
    const int32_t spanAD = ReadI32LE(&frame[2]);
    const int32_t liveAD = ReadI32LE(&frame[6]);
    const uint16_t calibrationWeight = ReadU16LE(&frame[10]);
    if (spanAD == 0)
        return 0.0;
    const int64_t product = int64_t{calibrationWeight} * liveAD; // exact in a double, < 2^48
    return static_cast<double>(product) / spanAD;
}

int ChooseDivision(int32_t rangeKg, double absRawWeight)
{
    switch (static_cast<uint16_t>(rangeKg)) {
    case 30:
        return kDivisionRange30;
    case 750:
        return kDivisionRange750;
    default:
        return absRawWeight >= 6.0 ? kDivisionFrom6kg : kDivisionBelow6kg;
    }
}

WeightReading ComputeWeight(std::span<const uint8_t, kReplyFrameSize> frame,
                            const WeighingState& state)
{
    WeightReading out;
    out.powerOnZeroFailed = frame[1] == kReplyPowerOnZeroFailed;
    const double w = RawWeight(frame);
    out.rawWeight = w;
    out.realWeight = w - state.baseValue;

    const double absW = std::fabs(w);
    out.division = ChooseDivision(state.rangeKg, absW);
    double rounded = roundToDivision(absW, state.baseValue, out.division);
    if (w < 0)
        rounded = -rounded;
    out.displayed = rounded - state.tare;
    const double gross = roundToDivision(absW, 0.0, out.division);
    out.gross = w < 0 ? -gross : gross;
    out.calibrationWeight = ReadU16LE(&frame[10]);
    out.liveAD = ReadI32LE(&frame[6]);
    return out;
}

namespace {

constexpr std::string_view kRealWeightCaption = "实际值：";

// The caption, the number and what follows, built in one string.
std::string captioned(double realWeight, std::string_view after)
{
    const std::string number = FormatUpToSixDecimals(realWeight);
    std::string text;
    text.reserve(kRealWeightCaption.size() + number.size() + after.size());
    text += kRealWeightCaption;
    text += number;
    text += after;
    return text;
}

} // namespace

std::string RealWeightText(const WeightReading& reading)
{
    return captioned(reading.realWeight, {});
}

std::string ResultLogLine(const WeightReading& reading)
{
    return captioned(reading.realWeight, ",");
}
