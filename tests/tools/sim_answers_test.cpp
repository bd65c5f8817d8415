// The simulator's answer to each of the 17 commands, byte for byte, read
// back through its pseudo-terminal.

#include "sim_fixture.h"

namespace scalesim {
namespace {

struct Step {
    const char* before; // a setting applied first, or ""
    uint8_t code;
    uint32_t data;
    const char* reply; // hex, "" for none, nullptr to send without waiting
};

constexpr const char* kAck = "AA 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 AB";
constexpr const char* kRefused = "AA 11 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 BC";
constexpr const char* kSwitchClosed = "AA 44 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 EF";
constexpr const char* kNoZero = "AA 22 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 CD";
constexpr const char* kNoSpan = "AA 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 DE";
constexpr const char* kZeroed = "AA 68 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 13";
constexpr const char* kSpanCalibrated = "AA 88 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 33";
constexpr const char* kTrackingSet = "AA 99 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 44";
constexpr uint32_t kClock = 172800000; // 2023-06-24 00:00:00 on the device clock

class Answers : public SimulatorTest {
protected:
    void Run(const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(HexBytes(BuildCommand(step.code, step.data)));
            if (*step.before)
                Set(step.before);
            if (!step.reply) {
                client_->Send(BuildCommand(step.code, step.data));
                continue;
            }
            // A command without an answer is given a short wait only.
            const auto timeout = *step.reply ? 1000ms : 300ms;
            EXPECT_EQ(Ask(step.code, step.data, timeout), step.reply);
        }
    }
};

TEST_F(Answers, EveryCommandByteForByteWithItsEffectOnTheState)
{
    Run({
        // Version number and text.
        {"", 0x01, 0, "AA 01 12 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 BE"},
        {"", 0xF2, 0, "AA F2 53 43 41 4C 45 20 43 54 52 4C 20 56 31 2E 38 00 67"},
        // Parameter report of the default state: division 0, range 15, 9.7894 twice.
        {"", 0xF6, 0, "AA F6 00 00 0F 00 66 7E 01 00 66 7E 01 00 00 00 00 00 7A"},
        // First sample log record (2023-03-06 09:12:00, zero calibration, 10 kg)
        // and an empty slot.
        {"", 0xF8, 1, "AA F8 01 60 34 BC 09 07 A1 07 00 E3 C3 09 00 0A 00 01 66"},
        {"", 0xF8, 32, "AA F8 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 93"},
        // Calibration refused while the switch is closed.
        {"", 0x02, 0, kSwitchClosed},
        {"", 0x03, 10, kSwitchClosed},
        // Zero: within 4 % of the range it works, 1 kg on 15 kg is too far.
        {"", 0x04, 0, kZeroed},
        {"load 1", 0x04, 0, "AA 69 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 14"},
        {"", 0x05, 0, ""},
        // Zero tracking on, query, off, query.
        {"load 0", 0xA1, 0, kTrackingSet},
        {"", 0xA3, 0, "AA 9A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 45"},
        {"", 0xA0, 0, kTrackingSet},
        {"", 0xA3, 0, "AA 9B 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 46"},
        // Beeper off, query, on, query.
        {"", 0xFB, 0x00, "AA FB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A6"},
        {"", 0xFB, 0xFF, "AA FB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A6"},
        {"", 0xFB, 0x01, "AA FB 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A7"},
        {"", 0xFB, 0xFF, "AA FB 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A7"},
        // Gravity 9.7950, division 5 g, range 750; the report shows all three.
        {"", 0xF3, 97950, kAck},
        {"", 0xF4, 1, kAck},
        {"", 0xF5, 750, "AA F5 EE 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 90"},
        {"", 0xF6, 0, "AA F6 01 00 EE 02 66 7E 01 00 9E 7E 01 00 00 00 00 00 94"},
        // Switch and clock: no answers; now the zero calibration works and
        // its log record carries the clock (set right before, so that it has
        // not yet moved on) and the zero AD.
        {"", 0xF9, 0, ""},
        {"", 0xF7, kClock, nullptr},
        {"", 0x02, 0, "AA 66 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 11"},
        {"", 0xF8, 6, "AA F8 06 00 B8 4C 0A 20 A1 07 00 00 C4 09 00 0A 00 01 57"},
        // Any-point calibration with 20 kg on the platform.
        {"load 20", 0xF7, kClock, nullptr},
        {"", 0x03, 20, kSpanCalibrated},
        {"", 0xF8, 7, "AA F8 07 00 B8 4C 0A 20 A1 07 00 E0 E6 0B 00 14 00 02 67"},
        // The calibration place is now the place of use.
        {"", 0xF6, 0, "AA F6 01 00 EE 02 9E 7E 01 00 9E 7E 01 00 00 00 00 00 CC"},
    });
    EXPECT_NE(LogText().find("RX AA 01 F7 00 B8 4C 0A B1\n"), std::string::npos);
}

TEST_F(Answers, RefusesValuesNoControllerWouldTake)
{
    Set("switch open");
    Run({
        {"", 0xF3, 50000, kRefused}, // gravity 5 m/s²
        {"", 0xF4, 2, kRefused},     // no such division
        {"", 0xF5, 0, kRefused},     // range 0
        {"", 0xF8, 0, kRefused},     // log records are 1 to 32
        {"", 0xF8, 33, kRefused},
        {"", 0xFB, 2, kRefused},        // beeper: 0, 1 or FF
        {"", 0x03, 0, kRefused},        // any-point calibration with 0 kg
        {"load 0", 0x03, 10, kRefused}, // ... or with nothing on the platform
    });
    // None of them changed anything.
    EXPECT_EQ(Ask(0xF6), "AA F6 00 00 0F 00 66 7E 01 00 66 7E 01 00 00 00 00 00 7A");
}

TEST_F(Answers, MissingCalibrationsAreReported)
{
    Set("switch open");
    Set("load 10");
    Run({
        {"calibrated none", 0x03, 10, kNoZero}, // any point before a zero
        {"", 0x04, 0, kNoZero},
        {"calibrated zero", 0x04, 0, kNoSpan}, // zero without any point
        {"", 0x03, 10, kSpanCalibrated},
        {"", 0x04, 0,
         "AA 69 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 14"}, // 10 kg is far from zero
        {"load 0", 0x04, 0, kZeroed},
    });
}

TEST_F(Answers, SwitchCanBeClosedAgainFromTheInput)
{
    Set("switch open");
    EXPECT_EQ(Ask(0x02), "AA 66 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 11");
    Set("switch closed");
    EXPECT_EQ(Ask(0x02), kSwitchClosed);
}

TEST_F(Answers, CalibrationLogKeepsTheLast32Records)
{
    Set("records 32");
    Set("switch open");
    client_->Send(BuildCommand(0xF7, kClock));
    EXPECT_EQ(Ask(0x02), "AA 66 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 11");
    // The new record is number 32; the first sample record went, so record 1
    // is the old second one (any-point, four minutes after the first).
    EXPECT_EQ(Ask(0xF8, 32), "AA F8 20 00 B8 4C 0A 20 A1 07 00 00 C4 09 00 0A 00 01 71");
    const std::string first = Ask(0xF8, 1);
    EXPECT_EQ(first.substr(0, 20), "AA F8 01 50 35 BC 09"); // 163329120 + 240 s
    EXPECT_EQ(first.substr(first.size() - 5, 2), "02");
    Set("records 0");
    EXPECT_EQ(Ask(0xF8, 1), "AA F8 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 93");
}

} // namespace
} // namespace scalesim
