#include "protocol/checksum.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(Checksum, FrameExamples)
{
    const uint8_t readVersion[] = {0xAA, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Checksum(readVersion, 7) & 0xFF, 0xAD);

    const uint8_t readParams[] = {0xAA, 0x01, 0xF6, 0x00, 0x00, 0x00, 0x00, 0xA2};
    EXPECT_TRUE(ChecksumMatches(readParams, 7, readParams[7]));
    EXPECT_FALSE(ChecksumMatches(readParams, 7, 0xA3));
}

TEST(Checksum, SumWrapsAtSixteenBits)
{
    std::vector<uint8_t> ff(300, 0xFF); // 300 * 255 = 76500 -> 76500 - 65536 = 10964
    EXPECT_EQ(Checksum(ff.data(), 300), static_cast<uint16_t>(10964 + 1));
    EXPECT_EQ(Checksum(nullptr, 0), 1);
}

TEST(Crc16, CheckValueAndEmpty)
{
    const char* text = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(text), 9), 0xFEE8);
    EXPECT_EQ(Crc16(nullptr, 0), 0);
}
