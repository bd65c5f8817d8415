#include "protocol/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <iomanip>
#include <random>
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
    expectAll(FormatUpToSixDecimals, {
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

TEST(NumberFormat, UpToSixDecimalsRoundsHalfAwayFromZeroAsTyped)
{
    // The doubles nearest to these halves lie below or above them; the
    // result is what the decimal as written rounds to.
    expectAll(FormatUpToSixDecimals, {
        {1.2345675, "1.234568"},   // double is 1.23456749999999996...
        {1.2345665, "1.234567"},   // away from zero, not to even
        {0.0000005, "0.000001"},
        {-0.0000005, "-0.000001"},
        {0.0000015, "0.000002"},
        {0.9999995, "1"},          // carry into the integer part
        {-9.9999995, "-10"},
        {0.1 + 0.2, "0.3"},
    });
}

TEST(NumberFormat, ThreeDecimals)
{
    expectAll(FormatThreeDecimals, {
        {1.5, "1.500"},
        {0.0, "0.000"},
        {-1.0, "-1.000"},
        {0.0625, "0.063"},
        {2.0005, "2.001"},         // double is 2.000499999999999989...
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
        {115 * 0.07, "8.05"},      // double is 8.050000000000001
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
        const double ratio = static_cast<double>(static_cast<int64_t>(rng() % 200000000) - 100000000) /
                             static_cast<double>(1 + rng() % 1000000);
        values.push_back(ratio * static_cast<double>(rng() % 750));
        const double half = (static_cast<double>(rng() % 100000000) + 0.5) / 1e6;
        values.push_back(half);
        values.push_back(std::nextafter(half, 0.0));
        values.push_back(std::nextafter(half, 1e9));
        values.push_back(-half / 1e3);
    }
    for (double v : {0.0, -0.0, 1e-20, -1e-20, 99999999.9999995, 1e8, 123456789.123456, 5e-7, 4.99e-7})
        values.push_back(v);
    for (double v : values)
        for (int decimals : {3, 6}) {
            SCOPED_TRACE(testing::Message() << std::setprecision(17) << v << " with " << decimals << " decimals");
            ASSERT_EQ(FormatFixed(v, decimals == 3 ? 3 : 0, decimals),
                      FormatFixedByDecimalDigits(v, decimals == 3 ? 3 : 0, decimals));
        }
}
