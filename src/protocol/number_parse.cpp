#include "protocol/number_parse.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Takes one optional sign off the front; the rest must start with a digit
// or the point (so "inf", "nan" and a second sign are refused).
bool TakeSign(std::string_view& text, bool& negative)
{
    negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return !text.empty() &&
           (std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.');
}

} // namespace

std::optional<double> TryParseFloat(std::string_view text)
{
    text = TrimBlanks(text);
    bool negative = false;
    if (!TakeSign(text, negative))
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double ParseFloat(std::string_view text)
{
    if (const auto value = TryParseFloat(text))
        return *value;
    throw ConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

double ParseFloatOr(std::string_view text, double fallback)
{
    return TryParseFloat(text).value_or(fallback);
}

std::optional<int32_t> TryParseInt(std::string_view text)
{
    text = TrimBlanks(text);
    bool negative = false;
    if (!TakeSign(text, negative))
        return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t ParseInt(std::string_view text)
{
    if (const auto value = TryParseInt(text))
        return *value;
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int32_t ParseIntOr(std::string_view text, int32_t fallback)
{
    return TryParseInt(text).value_or(fallback);
}
