// Measurement frames: they decode to the simulated load, and noise, drift,
// zero tracking, the power-on warning and the rate behave as configured.

#include "sim_fixture.h"

#include "protocol/checksum.h"

#include <cmath>
#include <set>
#include <thread>

namespace scalesim {
namespace {

// A measurement frame as the tool reads it: span AD in bytes 2..5, live AD
// in 6..9, calibration weight in 10..11; weight = calibration weight × live
// AD / span AD, the product taken in 64 bits.
struct Measurement {
    uint8_t code;
    int32_t spanAD;
    int32_t liveAD;
    uint16_t calWeight;

    double Weight() const
    {
        return spanAD == 0 ? 0.0 : static_cast<double>(int64_t{calWeight} * liveAD) / spanAD;
    }
};

Measurement Decode(const Bytes& frame)
{
    EXPECT_EQ(frame.size(), kReplyLength);
    EXPECT_EQ(frame[0], kHeader);
    EXPECT_TRUE(ChecksumMatches(frame.data(), 18, frame[18])) << HexBytes(frame);
    return {frame[1], GetLE32(&frame[2]), GetLE32(&frame[6]), GetLE16(&frame[10])};
}

class Measurements : public SimulatorTest {
protected:
    Measurement MeasureNow()
    {
        Set("measure");
        return Decode(client_->Read(kReplyLength, 1000ms));
    }
};

TEST_F(Measurements, DecodeToTheConfiguredLoad)
{
    const struct {
        const char* calibration;
        const char* range;
        double load;
    } cases[] = {
        {"10", "15", 0.0},
        {"10", "15", 12.5},
        {"10", "15", 3.3},
        {"10", "15", -0.5},
        {"10", "15", 0.0625},
        {"20", "30", 29.99},
        // A 750 kg calibration at 700 kg: the product of weight and live AD
        // leaves 32 bits (750 × 9 800 000), as the tool must cope with.
        {"750", "750", 700.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("calibrated ") + c.calibration + ", load " +
                     std::to_string(c.load));
        Set(std::string("calibrated ") + c.calibration);
        Set(std::string("range ") + c.range);
        Set("load " + std::to_string(c.load));
        const Measurement m = MeasureNow();
        EXPECT_EQ(m.code, 0x10);
        EXPECT_EQ(m.calWeight, std::stoi(c.calibration));
        EXPECT_NEAR(m.Weight(), c.load, 1.0 / kCountsPerKg);
    }
}

TEST_F(Measurements, StreamCarriesTheLoadChangedWhileRunning)
{
    Set("rate 50");
    Set("load 12.5");
    client_->Discard();
    Bytes frames = client_->Read(3 * kReplyLength, 1000ms);
    ASSERT_GE(frames.size(), 3 * kReplyLength);
    Set("load 2");
    client_->Discard();
    // Frames written before the discard may still be in flight; the last
    // of a few shows the new load.
    frames = client_->Read(4 * kReplyLength, 1000ms);
    ASSERT_GE(frames.size(), 4 * kReplyLength);
    const std::size_t last = (frames.size() / kReplyLength - 1) * kReplyLength;
    const Measurement m =
        Decode(Bytes(frames.begin() + last, frames.begin() + last + kReplyLength));
    EXPECT_NEAR(m.Weight(), 2.0, 1e-9);
}

TEST_F(Measurements, UncalibratedControllerSendsSpanZero)
{
    Set("calibrated none");
    Set("load 5");
    const Measurement m = MeasureNow();
    EXPECT_EQ(m.spanAD, 0);
    EXPECT_EQ(m.calWeight, 0);
    EXPECT_EQ(m.Weight(), 0.0);
}

TEST_F(Measurements, NoiseStaysWithinItsAmplitude)
{
    Set("load 1");
    Set("noise 20");
    std::set<int32_t> seen;
    for (int i = 0; i < 30; ++i) {
        const int32_t live = MeasureNow().liveAD;
        EXPECT_LE(std::abs(live - 14000), 20);
        seen.insert(live);
    }
    EXPECT_GT(seen.size(), 5u);
}

TEST_F(Measurements, DriftMovesTheLiveADSlowly)
{
    Set("drift 60000"); // 1000 counts a second
    const int32_t before = MeasureNow().liveAD;
    std::this_thread::sleep_for(300ms);
    const int32_t after = MeasureNow().liveAD;
    EXPECT_GE(after - before, 250);
    EXPECT_LE(after - before, 3000);
}

TEST_F(Measurements, ZeroTrackingHoldsSmallLoadsAtZero)
{
    Set("tracking on");
    Set("load 0.0007"); // below half the 2 g division
    EXPECT_EQ(MeasureNow().liveAD, 0);
    // The tracked 10 counts stay in the zero; a real load is not tracked.
    Set("load 1");
    EXPECT_EQ(MeasureNow().liveAD, 14000 - 10);
    Set("tracking off");
    Set("load 0.0014");
    EXPECT_EQ(MeasureNow().liveAD, 10);
}

TEST_F(Measurements, ZeroFromTheToolSetsTheLiveADToZero)
{
    Set("load 0.3"); // within 4 % of 15 kg
    EXPECT_EQ(Ask(0x04).substr(0, 5), "AA 68");
    EXPECT_EQ(MeasureNow().liveAD, 0);
    Set("load 1.3");
    EXPECT_NEAR(MeasureNow().Weight(), 1.0, 1.0 / kCountsPerKg);
    // Shift zero takes any load as the new zero and answers nothing.
    EXPECT_EQ(Ask(0x05, 0, 300ms), "");
    EXPECT_EQ(MeasureNow().liveAD, 0);
}

TEST_F(Measurements, PowerOnZeroFailureUntilZeroed)
{
    Set("zerofail on");
    Set("load 0.1");
    const Measurement m = MeasureNow();
    EXPECT_EQ(m.code, 0x77);
    EXPECT_NEAR(m.Weight(), 0.1, 1.0 / kCountsPerKg);
    EXPECT_EQ(Ask(0x04).substr(0, 5), "AA 68");
    EXPECT_EQ(MeasureNow().code, 0x10);
}

TEST_F(Measurements, RateOfTheStream)
{
    Set("rate 40");
    client_->Discard();
    const Bytes second = client_->Read(100 * kReplyLength, 500ms);
    // About 20 frames in half a second; a busy machine may lose a few ticks.
    EXPECT_GE(second.size() / kReplyLength, 10u);
    EXPECT_LE(second.size() / kReplyLength, 23u);
    EXPECT_EQ(second.size() % kReplyLength, 0u);

    // The full line rate at 9600 baud is 50.5 frames a second.
    Set("rate max");
    client_->Discard();
    const Bytes line = client_->Read(200 * kReplyLength, 500ms);
    EXPECT_GE(line.size() / kReplyLength, 15u);
    EXPECT_LE(line.size() / kReplyLength, 28u);

    Set("rate 0");
    std::this_thread::sleep_for(100ms); // let the last frames through the pty
    client_->Discard();
    ExpectSilence();
}

TEST_F(Measurements, FullRateFillsAFastLine)
{
    // 921600 baud carries 4850 frames a second of 190 bits each.
    Set("baud 921600");
    Set("rate max");
    client_->Discard();
    const Bytes second = client_->Read(10000 * kReplyLength, 1000ms);
    Set("rate 0");
    // A busy machine may lose a few wake-ups; the stream used to stop at
    // about 865 frames a second whatever the line.
    EXPECT_GE(second.size() / kReplyLength, 3500u);
    EXPECT_LE(second.size() / kReplyLength, 5100u);
    // Whole frames, back to back.
    for (std::size_t at = 0; at + kReplyLength <= second.size(); at += kReplyLength) {
        ASSERT_EQ(second[at], kHeader) << at;
        ASSERT_TRUE(ChecksumMatches(&second[at], 18, second[at + 18])) << at;
    }
}

} // namespace
} // namespace scalesim
