#include "protocol/weight.h"

#include "protocol/number_format.h"

#include <gtest/gtest.h>

namespace {

constexpr uint8_t kMeasurementCode = 0x10;

// A measurement frame whose raw weight is calibration x live / span.
ReplyFrame measurement(int32_t spanAD, int32_t liveAD, uint16_t calibrationWeight,
                       uint8_t code = kMeasurementCode)
{
    uint8_t payload[16] = {};
    WriteU32LE(payload + 0, static_cast<uint32_t>(spanAD));
    WriteU32LE(payload + 4, static_cast<uint32_t>(liveAD));
    WriteU16LE(payload + 8, calibrationWeight);
    return BuildReplyFrame(code, payload);
}

WeighingState range(int32_t maxRange)
{
    WeighingState state;
    state.rangeKg = maxRange;
    return state;
}

// The texts a reading is shown and logged with.
struct Shown {
    std::string status;
    std::string rawText;
    std::string realText;
    std::string weight;
    std::string calibrationText;
    std::string divisionText;
    std::string resultLine;
};

Shown shown(const ReplyFrame& frame, const WeighingState& state)
{
    const WeightReading r = ComputeWeight(frame, state);
    return {r.powerOnZeroFailed ? "上电自动归零失败！" : "",
            FormatUpToSixDecimals(r.rawWeight),
            RealWeightText(r),
            FormatThreeDecimals(r.displayed),
            std::to_string(r.calibrationWeight),
            DivisionText(r.division),
            ResultLogLine(r)};
}

struct RoundingCase {
    int32_t maxRange;
    // raw weight = calibration x live / span, chosen to be exact in binary
    uint16_t calibration;
    int32_t live;
    int32_t span;
    const char* dispValue;
    const char* division;
};

} // namespace

TEST(WeightDisplay, RoundsToTheDivisionOfRangeAndMagnitude)
{
    const RoundingCase cases[] = {
        {15, 3, 1, 2, "1.500", "0.002"},
        {15, 1, 1, 16, "0.062", "0.002"},      // 0.0625: remainder 5 of 20
        {15, 1, 1, 32, "0.032", "0.002"},      // 0.03125: t 312.5 -> 312, remainder 12
        {15, 1, 1, 1024, "0.000", "0.002"},    // 0.0009765625: remainder 9
        {15, 1, 1, 512, "0.002", "0.002"},     // 0.001953125: remainder 19
        {15, 6, 1, 1, "6.000", "0.005"},       // 6.0 kg takes the coarser division
        {15, 1535, 1, 256, "5.996", "0.002"},  // 5.99609375
        {15, 193, 1, 32, "6.030", "0.005"},    // 6.03125: remainder 12 of 50
        {15, 1235, 1, 1000, "1.236", "0.002"}, // t 12350: exactly half rounds up
        {30, 1, 1, 16, "0.060", "0.01"},       // remainder 25 of 100
        {30, 5, 1, 64, "0.080", "0.01"},       // 0.078125: remainder 81
        {750, 5, 1, 2, "2.500", "0.05"},
        {750, 1, 1, 32, "0.050", "0.05"}, // remainder 312 of 500
        {3, 1, 1, 32, "0.032", "0.002"},  // range 3 behaves like 15
        {0, 1, 1, 32, "0.032", "0.002"},  // before any parameter report
        {0, 193, 1, 32, "6.030", "0.005"},
        {65536 + 30, 1, 1, 16, "0.060", "0.01"}, // only the low 16 bits count
        {15, 1, -1, 32, "-0.032", "0.002"},      // the sign is restored after rounding
        {15, 1, 1, -32, "-0.032", "0.002"},      // a negative span flips the sign too
        {15, 1, -1, 1024, "0.000", "0.002"},     // rounds to zero: no minus sign
        {750, 1, -1, 16, "-0.050", "0.05"},      // -0.0625: q 1, remainder 125 of 500
        {15, 1, 1, 0, "0.000", "0.002"},         // span 0: raw weight 0
    };
    for (const RoundingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.maxRange << ", " << c.calibration << " x "
                                        << c.live << " / " << c.span);
        const Shown d = shown(measurement(c.span, c.live, c.calibration), range(c.maxRange));
        EXPECT_EQ(d.weight, c.dispValue);
        EXPECT_EQ(d.divisionText, c.division);
    }
}

TEST(WeightDisplay, LabelsAndResultLine)
{
    // 1.2345678 kg: 12345678 x 1 / 10000000
    const Shown d = shown(measurement(10000000, 1, 0), range(15));
    EXPECT_EQ(d.rawText, "0");
    EXPECT_EQ(d.calibrationText, "0");

    const Shown e = shown(measurement(10000000, 12345678, 1), range(15));
    EXPECT_EQ(e.rawText, "1.234568");
    EXPECT_EQ(e.realText, "实际值：1.234568");
    EXPECT_EQ(e.resultLine, "实际值：1.234568,");
    EXPECT_EQ(e.weight, "1.234");
    EXPECT_EQ(e.calibrationText, "1");
    EXPECT_TRUE(e.status.empty());

    const Shown f = shown(measurement(2, 3, 65535), range(15));
    EXPECT_EQ(f.calibrationText, "65535"); // unsigned 16-bit
    EXPECT_EQ(f.rawText, "98302.5");
}

TEST(WeightDisplay, TareAndBaseValue)
{
    const ReplyFrame plus15 = measurement(2, 3, 1);   // 1.5 kg
    const ReplyFrame minus15 = measurement(2, -3, 1); // -1.5 kg

    WeighingState tare = range(15);
    tare.tare = 1.0;
    Shown d = shown(plus15, tare);
    EXPECT_EQ(d.weight, "0.500");
    EXPECT_EQ(d.rawText, "1.5");
    EXPECT_EQ(d.realText, "实际值：1.5"); // the tare does not touch the real value

    tare.tare = 2.0; // net weight below zero
    EXPECT_EQ(shown(plus15, tare).weight, "-0.500");

    WeighingState base = range(15);
    base.baseValue = 0.5;
    d = shown(plus15, base);
    EXPECT_EQ(d.realText, "实际值：1");
    EXPECT_EQ(d.weight, "1.000");
    EXPECT_EQ(d.rawText, "1.5");

    // The base comes off the magnitude before the sign is restored.
    d = shown(minus15, base);
    EXPECT_EQ(d.realText, "实际值：-2");
    EXPECT_EQ(d.weight, "-1.000");

    // A base above the weight: negative remainders never round up.
    base.baseValue = 1.5013; // t = -13: q 0, remainder -13
    EXPECT_EQ(shown(plus15, base).weight, "0.000");
    base.baseValue = 1.5313; // t = -313: q -15, remainder -13 -> -0.030, not -0.032
    EXPECT_EQ(shown(plus15, base).weight, "-0.030");

    // The 6 kg choice looks at the raw weight before the base comes off.
    WeighingState nearSix = range(15);
    nearSix.baseValue = 1.0;
    d = shown(measurement(1, 6, 1), nearSix);
    EXPECT_EQ(d.divisionText, "0.005");
    EXPECT_EQ(d.weight, "5.000");

    // Base and tare together.
    WeighingState both = range(15);
    both.baseValue = 0.5;
    both.tare = 0.25;
    EXPECT_EQ(shown(plus15, both).weight, "0.750");
}

TEST(WeightDisplay, PowerOnZeroFailedStillShowsTheWeight)
{
    const Shown d = shown(measurement(2, 3, 1, kReplyPowerOnZeroFailed), range(15));
    EXPECT_EQ(d.status, "上电自动归零失败！");
    EXPECT_EQ(d.weight, "1.500");
    EXPECT_EQ(d.resultLine, "实际值：1.5,");
}

// Calibration weight x live AD overflows 32 bits for a 750 kg scale with a
// 24-bit converter; the product is formed in 64 bits.
TEST(WeightDisplay, ProductOfCalibrationWeightAndADIsFormedIn64Bits)
{
    const int32_t fullScaleAD = 0x7FFFFF; // 8388607: 750 x 8388607 = 6291455250 > 2^31
    Shown d = shown(measurement(fullScaleAD, fullScaleAD, 750), range(750));
    EXPECT_EQ(d.rawText, "750");
    EXPECT_EQ(d.weight, "750.000");

    d = shown(measurement(fullScaleAD, -fullScaleAD, 750), range(750));
    EXPECT_EQ(d.rawText, "-750");
    EXPECT_EQ(d.weight, "-750.000");

    // The extremes of the frame's fields.
    EXPECT_EQ(RawWeight(measurement(1, INT32_MIN, 65535)), -140735340871680.0);
    EXPECT_EQ(RawWeight(measurement(-1, INT32_MIN, 65535)), 140735340871680.0);
    EXPECT_EQ(shown(measurement(-1, INT32_MIN, 65535), range(15)).weight, "140735340871680.000");
}

TEST(WeightDisplay, ImpossibleBaseValueIsAnErrorNotUndefinedBehaviour)
{
    WeighingState state = range(15);
    state.baseValue = -1e300;
    EXPECT_THROW(shown(measurement(1, 1, 1), state), std::out_of_range);
}
