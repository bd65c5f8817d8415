#include "protocol/checksum.h"

uint16_t Checksum(const uint8_t* data, uint16_t count)
{
    uint16_t sum = 0;
    for (uint16_t i = 0; i < count; ++i)
        sum = static_cast<uint16_t>(sum + data[i]);
    return static_cast<uint16_t>(sum + 1);
}

bool ChecksumMatches(const uint8_t* data, uint16_t count, uint8_t expected)
{
    return static_cast<uint8_t>(Checksum(data, count) & 0xFF) == expected;
}

uint16_t Crc16(const uint8_t* data, uint16_t count)
{
    uint16_t crc = 0;
    for (uint16_t i = 0; i < count; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool dataBit = (data[i] >> bit) & 1;
            const bool topBit = (crc >> 15) & 1;
            crc = static_cast<uint16_t>(crc << 1);
            if (topBit != dataBit)
                crc ^= 0x8005;
        }
    }
    return crc;
}
