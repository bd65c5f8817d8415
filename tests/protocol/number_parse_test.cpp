#include "protocol/number_parse.h"

#include <gtest/gtest.h>

#include <string>

TEST(ParseFloat, ReadsWhatTheOperatorTypes)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"9.7894", 9.7894}, {"10", 10.0}, {" 44 ", 44.0},  {"+1.5", 1.5},    {"-0.25", -0.25},
        {".5", 0.5},        {"5.", 5.0},  {"1E3", 1000.0}, {"2.5e-1", 0.25}, {"0", 0.0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(TryParseFloat(c.text).has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*TryParseFloat(c.text), c.value) << c.text;
    }
}

TEST(ParseFloat, RefusesEverythingElse)
{
    for (const char* text : {"", " ", "9.7.8", "1,5", "abc", "1a", "--1", "+-1", "-", ".", "inf",
                             "nan", "infinity", "1e999", "0x10", "1 2"}) {
        EXPECT_FALSE(TryParseFloat(text).has_value()) << text;
        EXPECT_EQ(ParseFloatOr(text, 0.0), 0.0) << text;
    }
}

TEST(ParseFloat, ErrorMessageQuotesTheText)
{
    try {
        ParseFloat("9.7.8");
        FAIL() << "no error";
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "'9.7.8' is not a valid floating point value");
    }
    EXPECT_THROW(ParseFloat(""), ConvertError);
}

TEST(ParseInt, DecimalSigned32Bit)
{
    EXPECT_EQ(ParseInt("10"), 10);
    EXPECT_EQ(ParseInt(" 70000 "), 70000);
    EXPECT_EQ(ParseInt("-1"), -1);
    EXPECT_EQ(ParseInt("+7"), 7);
    EXPECT_EQ(ParseInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt("-2147483648"), INT32_MIN);
    for (const char* text : {"", "2147483648", "1.5", "1e3", "12a", "0x1A", "--3", "-"}) {
        EXPECT_FALSE(TryParseInt(text).has_value()) << text;
        EXPECT_EQ(ParseIntOr(text, 15), 15) << text;
    }
    try {
        ParseInt("99999999999");
        FAIL() << "no error";
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "'99999999999' is not a valid integer value");
    }
}
