#include "protocol/daily_code.h"

#include "protocol/checksum.h"

#include <cstdio>

int32_t HexTextToInt(std::string_view text)
{
    uint32_t result = 0;
    for (char c : text) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        result = result * 16 + digit; // wraps modulo 2^32
    }
    return static_cast<int32_t>(result);
}

std::string DailyCode(DateTime date)
{
    const DateTimeParts d = DecodeDateTime(date);
    char year[5];
    std::snprintf(year, sizeof year, "%04d", d.year);
    const auto hexByte = [](std::string_view digits) {
        return static_cast<uint8_t>(HexTextToInt(digits) & 0xFF);
    };
    const std::string day = std::to_string(d.day);
    const uint8_t block[8] = {
        hexByte(day),
        hexByte(std::string_view(year, 2)),
        hexByte(std::string_view(year + 2, 2)),
        hexByte(std::to_string(d.month)),
        hexByte(day),
        kDailyCodeFixedBytes[0],
        kDailyCodeFixedBytes[1],
        kDailyCodeFixedBytes[2],
    };
    return std::to_string(Crc16(block, sizeof block));
}

std::string DailyCode() { return DailyCode(CurrentDateTime()); }
