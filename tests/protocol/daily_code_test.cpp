#include "protocol/daily_code.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

TEST(HexTextToInt, ReadsDecimalDigitsAsHex)
{
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"1A", 26},
        {"ff", 255},
        {"25", 37},
        {"1G", 16}, // the G adds nothing but keeps its place
        {"G1", 1},
        {"123456789", 591751049}, // only the last eight places count
        {"", 0},
        {"FFFFFFFF", -1},
        {"80000000", INT32_MIN},
        {"2026", 0x2026},
        {" 10", 16},
        {"Ａ", 0}, // non-ASCII bytes are no digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(HexTextToInt(c.text), c.value);
    }
}

// Expected codes computed independently: CRC-16/UMTS of the block
// day, year hi, year lo, month, day, 53 43 4C, each date part read as hex.
TEST(DailyCode, KnownDays)
{
    struct Case {
        int year, month, day;
        const char* code;
    };
    const Case cases[] = {
        {2026, 12, 10, "31461"}, // 10 20 26 12 10 53 43 4C
        {2026, 1, 1, "47496"},   // 01 20 26 01 01 ...: no leading zeros read
        {2024, 2, 29, "27123"},  {1999, 12, 31, "27652"}, // "99" is 0x99
        {1, 1, 1, "62380"}, // the year is written with four digits: 00 01
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(DailyCode(EncodeDateTime(c.year, c.month, c.day)), c.code);
        // The time of day does not matter.
        EXPECT_EQ(DailyCode(EncodeDateTime(c.year, c.month, c.day, 23, 59, 59, 999)), c.code);
    }
}

TEST(DailyCode, DecimalWithoutLeadingZerosAndDifferentEachDayOfAYear)
{
    const std::regex decimal("0|[1-9][0-9]{0,4}");
    const DateTime first = EncodeDateTime(2026, 1, 1);
    std::set<std::string> codes;
    for (int i = 0; i < 365; ++i) {
        const std::string code = DailyCode(first + i);
        EXPECT_TRUE(std::regex_match(code, decimal)) << code;
        codes.insert(code);
    }
    EXPECT_GT(codes.size(), 360u); // a 16-bit code may repeat, but rarely
}

TEST(DailyCode, TodayIsTheCodeOfTheCurrentDate)
{
    const std::string before = DailyCode(CurrentDateTime());
    const std::string today = DailyCode();
    const std::string after = DailyCode(CurrentDateTime());
    EXPECT_TRUE(today == before || today == after); // midnight may pass in between
}
