#include "protocol/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kSignificantDigits = 15;

// |value| = d0.d1d2...d14 x 10^exponent, the digits rounded (to nearest) to
// 15 significant places. Zero has the digits "000..." and exponent 0.
struct Decimal15 {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal15 toDecimal15(double value)
{
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                      kSignificantDigits - 1);
    const std::string_view text(buf, static_cast<size_t>(result.ptr - buf)); // "-d.ddde+XX"

    Decimal15 d;
    size_t pos = 0;
    if (text[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    const size_t e = text.find('e');
    for (size_t i = pos; i < e; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    const char* expBegin = text.data() + e + 1;
    if (*expBegin == '+')
        ++expBegin;
    std::from_chars(expBegin, text.data() + text.size(), d.exponent);
    return d;
}

bool allZeros(const std::string& digits)
{
    return digits.find_first_not_of('0') == std::string::npos;
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

// The usual case, without the decimal digit string: when the value has few
// enough integer digits that its 15-significant-digit form reaches well below
// the last kept decimal, and the scaled value is not near a half, rounding
// the double directly gives the same result as rounding its 15-digit form.
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
    const Decimal15 d = toDecimal15(value);

    // The magnitude in units of the last kept decimal, as a digit string.
    const int kept = d.exponent + maxDecimals + 1; // leading digits at or above that decimal
    std::string units;
    if (kept <= 0) {
        units.assign(1, (kept == 0 && d.digits[0] >= '5') ? '1' : '0');
    } else if (kept >= kSignificantDigits) {
        units = d.digits;
        units.append(static_cast<size_t>(kept - kSignificantDigits), '0');
    } else {
        units = d.digits.substr(0, static_cast<size_t>(kept));
        if (d.digits[static_cast<size_t>(kept)] >= '5')
            increment(units); // half away from zero: the magnitude goes up
    }
    return renderUnits(d.negative, units, minDecimals, maxDecimals);
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
