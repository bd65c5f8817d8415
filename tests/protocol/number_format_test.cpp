#include "protocol/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    double value;
    const char* expected;
};

void expectAll(std::string (*format)(double), std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "value " << c.value);
        EXPECT_EQ(format(c.value), c.expected);
    }
}

} // namespace

TEST(NumberFormat, UpToSixDecimals)
{
    expectAll(FormatUpToSixDecimals,
              {
                  {1.5, "1.5"},
                  {2.0, "2"},
                  {-0.000123, "-0.000123"},
                  {1.2345678, "1.234568"},
                  {0.0625, "0.0625"},
                  {750.0, "750"},
                  {-1.5, "-1.5"},
                  {123456789.1234567, "123456789.123457"},
                  {1e15, "1000000000000000"},
                  {140735340871680.0, "140735340871680"}, // 65535 x 2^31, the largest raw weight
              });
}

TEST(NumberFormat, UpToSixDecimalsRoundsOnceFromTheExactValue)
{
    // A value near a half goes the way its exact binary value lies; an
    // exact half goes away from zero.
    expectAll(FormatUpToSixDecimals,
              {
                  {750.0 * 4039395 / 6306817, "480.360576"}, // 480.36057649999992236...
                  {1.2345675, "1.234568"},                   // 1.23456750000000003986...
                  {1.2345665, "1.234566"},                   // 1.23456649999999990008...
                  {0.0000005, "0"},                          // 4.99999999999999977374...e-7
                  {-0.0000005, "0"},
                  {0.0000015, "0.000002"}, // 1.50000000000000003800...e-6
                  {0.9999995, "1"},        // 0.99999950000000004113..., carry into the integer part
                  {-9.9999995, "-9.999999"}, // -9.99999949999999948602...
                  {0.1 + 0.2, "0.3"},
                  {0.0078125, "0.007813"}, // 1/128, exactly half: away from zero, not to even
                  {-0.0078125, "-0.007813"},
                  {0.0234375, "0.023438"}, // 3/128
                  {750.0078125, "750.007813"},
              });
}

TEST(NumberFormat, ThreeDecimals)
{
    expectAll(FormatThreeDecimals, {
                                       {1.5, "1.500"},
                                       {0.0, "0.000"},
                                       {-1.0, "-1.000"},
                                       {0.0625, "0.063"},
                                       {2.0005, "2.001"},   // 2.00050000000000016697...
                                       {0.0625, "0.063"},   // exactly half
                                       {-0.1875, "-0.188"}, // exactly half
                                       {2.0004999999999997, "2.000"},
                                       {-0.0005, "-0.001"},
                                       {0.9995, "1.000"},
                                       {750.0, "750.000"},
                                       {-0.032, "-0.032"},
                                   });
}

TEST(NumberFormat, NeverMinusZero)
{
    for (double v : {-0.0, -1e-300, -0.0000004, -0.00000049999}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(FormatUpToSixDecimals(v), "0");
        EXPECT_EQ(FormatThreeDecimals(v), "0.000");
    }
    EXPECT_EQ(FormatThreeDecimals(-0.0004), "0.000");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
}

TEST(NumberFormat, General)
{
    expectAll(FormatGeneral, {
                                 {9.7894, "9.7894"},
                                 {97900 / 10000.0, "9.79"},
                                 {97920 / 10000.0, "9.792"},
                                 {0.002, "0.002"},
                                 {0.05, "0.05"},
                                 {115 * 0.07, "8.05"}, // double is 8.050000000000001
                                 {-115 * 0.07, "-8.05"},
                                 {114 * 0.07, "7.98"},
                                 {0.0, "0"},
                                 {1.0 / 3.0, "0.333333333333333"},
                                 {2.0 / 3.0, "0.666666666666667"},
                                 {123456789012345.0, "123456789012345"},
                                 {1234567890123456.0, "1.23456789012346E+15"},
                                 {1e15, "1E+15"},
                                 {0.0001, "0.0001"},
                                 {0.00001, "1E-5"},
                                 {-0.000015, "-1.5E-5"},
                                 {-2.0, "-2"},
                                 {100.0, "100"},
                                 // Exact halves at the fifteenth digit go away from zero.
                                 {1234567890123465.0, "1.23456789012347E+15"},
                                 {-1234567890123465.0, "-1.23456789012347E+15"},
                                 {9999999999999995.0, "1E+16"},
                                 {12345678901234.25, "12345678901234.3"},
                                 {12345678901234.75, "12345678901234.8"},
                             });
}

TEST(NumberFormat, NonFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto format : {FormatUpToSixDecimals, FormatThreeDecimals, FormatGeneral}) {
        EXPECT_EQ(format(nan), "NAN");
        EXPECT_EQ(format(inf), "INF");
        EXPECT_EQ(format(-inf), "-INF");
    }
}

// The quick route for ordinary weights must give exactly what the decimal
// route gives: weights as the controller produces them (AD ratios), values
// on and near every half of the last decimal, and large and tiny values.
TEST(NumberFormat, QuickRouteAgreesWithDecimalRoute)
{
    std::mt19937_64 rng(7);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        const double ratio =
            static_cast<double>(static_cast<int64_t>(rng() % 200000000) - 100000000) /
            static_cast<double>(1 + rng() % 1000000);
        values.push_back(ratio * static_cast<double>(rng() % 750));
        const double half = (static_cast<double>(rng() % 100000000) + 0.5) / 1e6;
        values.push_back(half);
        values.push_back(std::nextafter(half, 0.0));
        values.push_back(std::nextafter(half, 1e9));
        values.push_back(-half / 1e3);
    }
    for (double v :
         {0.0, -0.0, 1e-20, -1e-20, 99999999.9999995, 1e8, 123456789.123456, 5e-7, 4.99e-7})
        values.push_back(v);
    for (double v : values)
        for (int decimals : {3, 6}) {
            SCOPED_TRACE(testing::Message()
                         << std::setprecision(17) << v << " with " << decimals << " decimals");
            ASSERT_EQ(FormatFixed(v, decimals == 3 ? 3 : 0, decimals),
                      FormatFixedByDecimalDigits(v, decimals == 3 ? 3 : 0, decimals));
        }
}

// An exact reference: the full decimal expansion of a double, rounded once,
// half away from zero, and numbers compared by value as
// significand x 10^exponent.
namespace {

struct DecimalValue {
    bool negative = false;
    std::string significand; // no leading or trailing zeros; empty for zero
    int exponent = 0;
    bool operator==(const DecimalValue&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DecimalValue& d)
{
    return out << (d.negative ? "-" : "") << (d.significand.empty() ? "0" : d.significand) << "E"
               << d.exponent;
}

DecimalValue Normalised(bool negative, std::string digits, int exponent)
{
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return {}; // zero has no sign
    digits.erase(0, first);
    while (digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    return {negative, digits, exponent};
}

// |value| = digits x 10^-scale, every digit of it.
struct Expansion {
    std::string digits;
    int scale;
};

Expansion ExactExpansion(double value)
{
    int e = 0;
    const double fraction = std::frexp(std::fabs(value), &e);
    auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
    e -= 53;                 // |value| = m x 2^e
    std::vector<int> little; // decimal digits, lowest first
    for (; m > 0; m /= 10)
        little.push_back(static_cast<int>(m % 10));
    const auto multiply = [&](int factor) {
        int carry = 0;
        for (int& digit : little) {
            const int product = digit * factor + carry;
            digit = product % 10;
            carry = product / 10;
        }
        for (; carry > 0; carry /= 10)
            little.push_back(carry % 10);
    };
    // m x 2^e, and for e < 0: m x 5^-e / 10^-e.
    for (int i = 0; i < std::abs(e); ++i)
        multiply(e >= 0 ? 2 : 5);
    std::string digits;
    for (auto it = little.rbegin(); it != little.rend(); ++it)
        digits += static_cast<char>('0' + *it);
    return {digits.empty() ? "0" : digits, e >= 0 ? 0 : -e};
}

// Keeps the digits up to `kept` of `digits`, adding one when the first
// digit dropped is 5 or more (half away from zero on the magnitude).
std::string RoundDigits(const std::string& digits, size_t kept)
{
    if (kept >= digits.size())
        return digits;
    std::string result = "0" + digits.substr(0, kept);
    if (digits[kept] >= '5') {
        size_t i = result.size();
        while (result[--i] == '9')
            result[i] = '0';
        ++result[i];
    }
    return result;
}

DecimalValue ReferenceFixed(bool negative, Expansion x, int decimals)
{
    if (x.scale < decimals) {
        x.digits.append(static_cast<size_t>(decimals - x.scale), '0');
        x.scale = decimals;
    }
    if (x.digits.size() <= static_cast<size_t>(x.scale)) // at least one integer digit
        x.digits.insert(0, static_cast<size_t>(x.scale) + 1 - x.digits.size(), '0');
    const size_t kept = x.digits.size() - static_cast<size_t>(x.scale - decimals);
    return Normalised(negative, RoundDigits(x.digits, kept), -decimals);
}

DecimalValue ReferenceGeneral(bool negative, Expansion x)
{
    const size_t first = x.digits.find_first_not_of('0');
    if (first == std::string::npos)
        return {};
    x.digits.erase(0, first);
    const size_t dropped = x.digits.size() > 15 ? x.digits.size() - 15 : 0;
    return Normalised(negative, RoundDigits(x.digits, 15), static_cast<int>(dropped) - x.scale);
}

// The value a formatted number ("-12.5", "1.5E-5") stands for.
DecimalValue ValueOf(const std::string& text)
{
    std::string digits;
    int exponent = 0;
    bool afterPoint = false;
    size_t i = text[0] == '-' ? 1 : 0;
    for (; i < text.size() && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
        } else {
            digits += text[i];
            exponent -= afterPoint ? 1 : 0;
        }
    }
    if (i < text.size())
        exponent += std::stoi(text.substr(i + 1));
    return Normalised(text[0] == '-', digits, exponent);
}

} // namespace

TEST(NumberFormat, EveryFormRoundsOnceLikeTheExactExpansion)
{
    std::mt19937_64 rng(20261210);
    const auto below = [&](uint64_t n) { return rng() % n; };
    std::vector<double> values;
    for (int i = 0; i < 10000; ++i) {
        // Raw weights as the controller's reports give them.
        const auto weight = static_cast<int64_t>(1 + below(65535));
        const auto liveAD = static_cast<int64_t>(below(1 << 25)) - (1 << 24);
        const auto spanAD = static_cast<double>(1 + below(1 << 24));
        values.push_back(static_cast<double>(weight * liveAD) / spanAD);
        // The double nearest a decimal half at three and six decimals, and
        // its neighbours.
        for (const double unit : {1e-3, 1e-6}) {
            const double half = (static_cast<double>(below(100000000)) + 0.5) * unit;
            values.push_back(half);
            values.push_back(std::nextafter(half, 0.0));
            values.push_back(std::nextafter(half, 1e300));
        }
        // Exact halves: at six decimals (odd multiples of 2^-7), at three
        // (of 2^-4), at the fifteenth significant digit.
        const auto odd = static_cast<double>(2 * below(uint64_t{1} << 40) + 1);
        values.push_back(std::ldexp(odd, -7));
        values.push_back(std::ldexp(odd, -4));
        values.push_back(static_cast<double>(1000000000000000 + 10 * below(800000000000000) + 5));
        values.push_back((2 * static_cast<double>(100000000000000 + below(800000000000000)) + 1) /
                         2);
    }
    for (double v : {0.0, 1e-20, 5e-7, 4.99e-7, 99999999.9999995, 1e8, 1e15, 1e-5})
        values.push_back(v);
    const size_t count = values.size();
    for (size_t i = 0; i < count; ++i)
        values.push_back(-values[i]);

    for (const double v : values) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << v);
        const Expansion exact = ExactExpansion(v);
        const bool negative = std::signbit(v);
        const DecimalValue six = ReferenceFixed(negative, exact, 6);
        const DecimalValue three = ReferenceFixed(negative, exact, 3);
        ASSERT_EQ(ValueOf(FormatUpToSixDecimals(v)), six);
        ASSERT_EQ(ValueOf(FormatFixedByDecimalDigits(v, 0, 6)), six);
        ASSERT_EQ(ValueOf(FormatThreeDecimals(v)), three);
        ASSERT_EQ(ValueOf(FormatFixedByDecimalDigits(v, 3, 3)), three);
        ASSERT_EQ(ValueOf(FormatGeneral(v)), ReferenceGeneral(negative, exact));
    }
}
