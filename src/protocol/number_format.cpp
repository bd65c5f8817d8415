#include "protocol/number_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kSignificantDigits = 15;

// |value| = significand x 2^exponent, the significand odd (or zero).
struct Binary {
    uint64_t significand;
    int exponent;
};

Binary decompose(double magnitude)
{
    const auto bits = std::bit_cast<uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52) & 0x7FF;
    Binary b{bits & ((uint64_t{1} << 52) - 1), -1074};
    if (biased != 0) {
        b.significand |= uint64_t{1} << 52;
        b.exponent = biased - 1075;
    }
    if (b.significand != 0) {
        const int zeros = std::countr_zero(b.significand);
        b.significand >>= zeros;
        b.exponent += zeros;
    }
    return b;
}

// Whether `magnitude` lies exactly halfway between two multiples of
// 10^-decimals, that is 2 x magnitude x 10^decimals is an odd integer.
// Only there does the library's rounding (half to even) differ from ours.
bool isExactHalf(double magnitude, int decimals)
{
    const Binary b = decompose(magnitude);
    if (b.significand == 0)
        return false;
    // significand x 5^d x 2^(exponent + 1 + d): odd when the power of 2 is 0.
    if (decimals >= 0)
        return b.exponent == -(decimals + 1);
    // significand x 2^(exponent + 1 - k) / 5^k with k = -decimals.
    const int k = -decimals;
    if (b.exponent + 1 != k)
        return false;
    uint64_t power = 1;
    for (int i = 0; i < k; ++i) {
        if (power > b.significand / 5)
            return false;
        power *= 5;
    }
    return b.significand % power == 0;
}

// Adds one to a string of decimal digits.
void increment(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// The digits of `text` (a number as std::to_chars writes it) up to `end`.
std::string digitsOf(const char* begin, const char* end)
{
    std::string digits;
    for (const char* c = begin; c != end; ++c)
        if (*c >= '0' && *c <= '9')
            digits += *c;
    return digits;
}

// |value| = d0.d1d2...d14 x 10^exponent, rounded once from the exact binary
// value, half away from zero. Zero has the digits "000..." and exponent 0.
struct Decimal15 {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal15 toDecimal15(double value)
{
    const double magnitude = std::fabs(value);
    // Scientific notation is exact at its precision, rounding half to even.
    const auto write = [&](char* buf, char* end, int precision, int& exponent) {
        const char* last =
            std::to_chars(buf, end, magnitude, std::chars_format::scientific, precision).ptr;
        const char* e = std::find(static_cast<const char*>(buf), last, 'e');
        const char* expBegin = e + 1 + (e[1] == '+' ? 1 : 0);
        std::from_chars(expBegin, last, exponent);
        return digitsOf(buf, e);
    };
    char buf[64];
    Decimal15 d;
    d.negative = std::signbit(value);
    d.digits = write(buf, buf + sizeof buf, kSignificantDigits - 1, d.exponent);
    if (isExactHalf(magnitude, kSignificantDigits - 1 - d.exponent)) {
        // 16 exact digits ending in 5: drop the 5 and go up.
        d.digits = write(buf, buf + sizeof buf, kSignificantDigits, d.exponent);
        d.digits.pop_back();
        increment(d.digits);
        if (d.digits.size() > static_cast<size_t>(kSignificantDigits)) {
            d.digits.pop_back();
            ++d.exponent;
        }
    }
    return d;
}

bool allZeros(const std::string& digits)
{
    return digits.find_first_not_of('0') == std::string::npos;
}

std::string nonFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Writes `units` (the magnitude in units of the last kept decimal) with
// `maxDecimals` decimals, dropping trailing zeros beyond `minDecimals`.
std::string renderUnits(bool negative, std::string_view units, int minDecimals, int maxDecimals)
{
    const size_t decimals = static_cast<size_t>(maxDecimals);
    // Left-padded so that there is at least one integer digit.
    std::string digits(units.size() < decimals + 1 ? decimals + 1 - units.size() : 0, '0');
    digits.append(units);
    const size_t intCount = digits.size() - decimals;
    size_t firstInt = 0;
    while (firstInt + 1 < intCount && digits[firstInt] == '0')
        ++firstInt;
    size_t fracCount = decimals;
    while (fracCount > static_cast<size_t>(minDecimals) && digits[intCount + fracCount - 1] == '0')
        --fracCount;

    std::string out;
    if (negative && !allZeros(digits))
        out += '-';
    out.append(digits, firstInt, intCount - firstInt);
    if (fracCount > 0)
        out.append(".").append(digits, intCount, fracCount);
    return out;
}

// The usual case, without a decimal digit string: below 10^8 and at most six
// decimals the scaled value is off by less than 0.008 of the last decimal,
// so unless it is near a half, rounding it gives what rounding the exact
// value gives.
bool formatFixedFast(double value, int minDecimals, int maxDecimals, std::string& result)
{
    static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (maxDecimals < 0 || maxDecimals > 6)
        return false;
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e8))
        return false;
    const double scaled = magnitude * kPowers[maxDecimals];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 0.1)
        return false;
    const auto units = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, units).ptr;
    result = renderUnits(std::signbit(value), std::string_view(buf, static_cast<size_t>(end - buf)),
                         minDecimals, maxDecimals);
    return true;
}

} // namespace

std::string FormatFixed(double value, int minDecimals, int maxDecimals)
{
    std::string fast;
    if (std::isfinite(value) && formatFixedFast(value, minDecimals, maxDecimals, fast))
        return fast;
    return FormatFixedByDecimalDigits(value, minDecimals, maxDecimals);
}

std::string FormatFixedByDecimalDigits(double value, int minDecimals, int maxDecimals)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const double magnitude = std::fabs(value);
    // Fixed notation is exact at its precision but rounds a half to even; an
    // exact half is written with one decimal more (ending in 5) and rounded
    // up by hand.
    const bool half = isExactHalf(magnitude, maxDecimals);
    const int precision = maxDecimals + (half ? 1 : 0);
    std::string text(312 + static_cast<size_t>(precision), '\0'); // 309 integer digits at most
    const char* end = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                    std::chars_format::fixed, precision)
                          .ptr;
    std::string units = digitsOf(text.data(), end); // in units of the last kept decimal
    if (half) {
        units.pop_back();
        increment(units);
    }
    return renderUnits(std::signbit(value), units, minDecimals, maxDecimals);
}

std::string FormatGeneral(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    Decimal15 d = toDecimal15(value);
    if (allZeros(d.digits))
        return "0";
    d.digits.erase(d.digits.find_last_not_of('0') + 1);

    // Built by appending: GCC 12 at -O3 misreports "." + std::string as an
    // overlapping copy (-Wrestrict).
    std::string out = d.negative ? "-" : "";
    const std::string& digits = d.digits;
    const int x = d.exponent;
    if (x < -4 || x >= kSignificantDigits) {
        out += digits[0];
        if (digits.size() > 1)
            out.append(".").append(digits, 1);
        out += x < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(x));
    } else if (x >= 0) {
        const size_t intDigits = static_cast<size_t>(x) + 1;
        if (digits.size() <= intDigits)
            out.append(digits).append(intDigits - digits.size(), '0');
        else
            out.append(digits, 0, intDigits).append(".").append(digits, intDigits);
    } else {
        out.append("0.").append(static_cast<size_t>(-x - 1), '0').append(digits);
    }
    return out;
}
