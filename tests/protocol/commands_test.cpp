#include "protocol/commands.h"

#include "protocol/checksum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

TEST(CommandFrames, ExamplesByteForByte)
{
    const struct {
        const char* what;
        CommandFrame frame;
        CommandFrame expected;
    } cases[] = {
        {"read parameters",
         BuildCommandFrame(kCmdReadParameters),
         {0xAA, 0x01, 0xF6, 0x00, 0x00, 0x00, 0x00, 0xA2}},
        {"gravity 9.7894",
         BuildCommandFrame(kCmdSetGravity, GravityData(97894)),
         {0xAA, 0x01, 0xF3, 0x66, 0x7E, 0x01, 0x00, 0x84}},
        {"range 750",
         BuildCommandFrame(kCmdSetRange, RangeData(750)),
         {0xAA, 0x01, 0xF5, 0xEE, 0x02, 0x00, 0x00, 0x91}},
        {"any point 10 kg",
         BuildCommandFrame(kCmdAnyPointCalibration, AnyPointWeightData(10)),
         {0xAA, 0x01, 0x03, 0x0A, 0x00, 0x00, 0x00, 0xB9}},
        {"clock 2018-01-02",
         BuildCommandFrame(kCmdSetClock, ClockData(int32_t{86400})),
         {0xAA, 0x01, 0xF7, 0x80, 0x51, 0x01, 0x00, 0x75}},
        {"clock from a date-time",
         BuildCommandFrame(kCmdSetClock, ClockData(EncodeDateTime(2018, 1, 2))),
         {0xAA, 0x01, 0xF7, 0x80, 0x51, 0x01, 0x00, 0x75}},
        {"beeper query",
         BuildCommandFrame(kCmdBeeper, BeeperData(kBeeperQuery)),
         {0xAA, 0x01, 0xFB, 0xFF, 0x00, 0x00, 0x00, 0xA6}},
        {"set zero",
         BuildCommandFrame(kCmdSetZero),
         {0xAA, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0xB0}},
        {"shift zero",
         BuildCommandFrame(kCmdShiftZero),
         {0xAA, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0xB1}},
        {"read version",
         BuildCommandFrame(kCmdReadVersion),
         {0xAA, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xAD}},
        {"log record 32",
         BuildCommandFrame(kCmdReadLogRecord, LogRecordData(32)),
         {0xAA, 0x01, 0xF8, 0x20, 0x00, 0x00, 0x00, 0xC4}},
        {"division 5 g",
         BuildCommandFrame(kCmdSetDivision, DivisionData(1)),
         {0xAA, 0x01, 0xF4, 0x01, 0x00, 0x00, 0x00, 0xA1}},
        {"beeper on",
         BuildCommandFrame(kCmdBeeper, BeeperData(kBeeperOn)),
         {0xAA, 0x01, 0xFB, 0x01, 0x00, 0x00, 0x00, 0xA8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.frame, c.expected);
    }
}

TEST(CommandFrames, EncodingsAreLittleEndianAndSixteenBitFieldsTakeLowBits)
{
    EXPECT_EQ(AnyPointWeightData(70000), (CommandData{0x70, 0x11, 0, 0})); // 4464
    EXPECT_EQ(AnyPointWeightData(65535), (CommandData{0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(RangeData(15), (CommandData{15, 0, 0, 0}));
    EXPECT_EQ(RangeData(-1), (CommandData{0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(GravityData(-2), (CommandData{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(GravityData(0x12345678), (CommandData{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(ClockData(int32_t{-1}), (CommandData{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ClockData(std::nan("")), (CommandData{0, 0, 0, 0})); // unconvertible: 0 s
    EXPECT_EQ(DivisionData(-1), (CommandData{0xFF, 0, 0, 0}));
    EXPECT_EQ(BeeperData(kBeeperOff), (CommandData{0, 0, 0, 0}));
}

TEST(CommandFrames, CatalogueHasSeventeenValidFrames)
{
    const std::set<uint8_t> codes(kCommandCatalogue.begin(), kCommandCatalogue.end());
    EXPECT_EQ(codes.size(), 17u);
    for (uint8_t code : kCommandCatalogue) {
        const CommandFrame frame = BuildCommandFrame(code, {1, 2, 3, 4});
        EXPECT_EQ(frame[0], 0xAA);
        EXPECT_EQ(frame[1], 0x01);
        EXPECT_EQ(frame[2], code);
        EXPECT_EQ(frame[6], 4);
        EXPECT_TRUE(ChecksumMatches(frame.data(), 7, frame[7]));
    }
}
