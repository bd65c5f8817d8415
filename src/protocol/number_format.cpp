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

} // namespace

std::string FormatFixed(double value, int minDecimals, int maxDecimals)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const Decimal15 d = toDecimal15(value);

    // The magnitude in units of the last kept decimal, as a digit string.
    const int kept = d.exponent + maxDecimals + 1; // leading digits at or above that decimal
    std::string units;
    if (kept <= 0) {
        units = (kept == 0 && d.digits[0] >= '5') ? "1" : "0";
    } else if (kept >= kSignificantDigits) {
        units = d.digits + std::string(static_cast<size_t>(kept - kSignificantDigits), '0');
    } else {
        units = d.digits.substr(0, static_cast<size_t>(kept));
        if (d.digits[static_cast<size_t>(kept)] >= '5')
            increment(units); // half away from zero: the magnitude goes up
    }

    const size_t decimals = static_cast<size_t>(maxDecimals);
    if (units.size() < decimals + 1)
        units.insert(0, decimals + 1 - units.size(), '0');
    std::string integerPart = units.substr(0, units.size() - decimals);
    std::string fraction = units.substr(units.size() - decimals);
    integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size() - 1));
    while (fraction.size() > static_cast<size_t>(minDecimals) && fraction.back() == '0')
        fraction.pop_back();

    std::string out = d.negative && !allZeros(units) ? "-" : "";
    out += integerPart;
    if (!fraction.empty())
        out += "." + fraction;
    return out;
}

std::string FormatGeneral(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    Decimal15 d = toDecimal15(value);
    if (allZeros(d.digits))
        return "0";
    d.digits.erase(d.digits.find_last_not_of('0') + 1);

    std::string out = d.negative ? "-" : "";
    const int x = d.exponent;
    if (x < -4 || x >= kSignificantDigits) {
        out += d.digits[0];
        if (d.digits.size() > 1)
            out += "." + d.digits.substr(1);
        out += x < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(x));
    } else if (x >= 0) {
        const size_t intDigits = static_cast<size_t>(x) + 1;
        if (d.digits.size() <= intDigits)
            out += d.digits + std::string(intDigits - d.digits.size(), '0');
        else
            out += d.digits.substr(0, intDigits) + "." + d.digits.substr(intDigits);
    } else {
        out += "0." + std::string(static_cast<size_t>(-x - 1), '0') + d.digits;
    }
    return out;
}
